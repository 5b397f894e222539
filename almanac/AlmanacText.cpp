#include "almanac/AlmanacText.h"

#include "almanac/LunarTable.h"

namespace hx::almanac {

namespace {

    constexpr const char* kStems[10] = { "甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸" };
    constexpr const char* kBranches[12] = { "子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉", "戌", "亥" };
    constexpr const char* kAnimals[12] = { "鼠", "牛", "虎", "兔", "龙", "蛇", "马", "羊", "猴", "鸡", "狗", "猪" };
    constexpr const char* kMonths[12] = { "正", "二", "三", "四", "五", "六", "七", "八", "九", "十", "冬", "腊" };
    constexpr const char* kDays[30] = { "初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
        "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十", "廿一", "廿二", "廿三", "廿四",
        "廿五", "廿六", "廿七", "廿八", "廿九", "三十" };
    constexpr const char* kWeekdays[7] = { "一", "二", "三", "四", "五", "六", "日" };
    constexpr const char* kTerms[kTermCount]
        = { "小寒", "大寒", "立春", "雨水", "惊蛰", "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至", "小暑",
              "大暑", "立秋", "处暑", "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至" };
    // 煞 lies opposite the element of the day branch's triad: 申子辰 water (煞南), 亥卯未 wood
    // (煞西), 寅午戌 fire (煞北), 巳酉丑 metal (煞东); branch % 4 names the triad.
    constexpr const char* kShaDirections[4] = { "南", "东", "北", "西" };

    // The twelve officers (建除十二值星) of the folk almanac (通书) tradition, whose readings go
    // back to the 建除 chapters of the Qin 日书 and were fixed for the Qing court in 《协纪辨方书》.
    // Each officer's general character gives one short list of what it suits and what it does
    // not: 建 opens (set out, take office; not dig or open stores), 除 clears, 满 fills (trade,
    // gather), 平 levels, 定 settles (contracts, weddings), 执 holds (catch, build), 破 breaks
    // (only pulling down and healing), 危 endangers (no heights, no boats), 成 completes (most
    // undertakings), 收 gathers (harvest, take in money), 开 opens (trade, move in) and 闭 closes
    // (bank and wall up; nothing opened).
    constexpr OfficerAdvice kAdvice[12] = {
        { "建", "出行 上任 会友 上书 求财", "动土 开仓 掘井 乘船" },
        { "除", "祭祀 沐浴 扫舍 求医 除服", "嫁娶 远行 上任 开市" },
        { "满", "祭祀 祈福 开市 交易 纳财", "栽种 上任 求医 安葬" },
        { "平", "修饰垣墙 平治道涂 涂泥", "开渠 栽种 嫁娶 开市" },
        { "定", "冠带 嫁娶 祭祀 交易 立契", "诉讼 出行 求医 栽种" },
        { "执", "捕捉 畋猎 修造 纳采", "开市 移徙 出行 开仓" },
        { "破", "破屋坏垣 求医 治病", "嫁娶 开市 出行 动土 立契 安葬" },
        { "危", "安床 祭祀 祈福 纳畜", "登高 乘船 出行 远行" },
        { "成", "入学 嫁娶 开市 出行 立契 上任", "诉讼 争执" },
        { "收", "纳财 收割 捕捉 入学 纳畜", "出行 安葬 放债 求医" },
        { "开", "开市 入学 出行 嫁娶 移徙 开光", "安葬 破土 动土" },
        { "闭", "筑堤 补垣 塞穴 安葬", "开市 出行 求医 上任 开渠" },
    };

    std::string& Pillar(std::string& out, int index)
    {
        return out.append(kStems[index % 10]).append(kBranches[index % 12]);
    }

    void Number(std::string& out, int value, int width)
    {
        char digits[8];
        for (int i = width - 1; i >= 0; --i) {
            digits[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        out.append(digits, static_cast<std::size_t>(width));
    }

    // The identification string closes the text as its last field. A "/" or a line break in it
    // would add fields or lines, and the panel, which drops the last five, would then show the
    // wrong ones; those characters become "_". It is cut (on a UTF-8 boundary) at kMaxIdent
    // bytes so that the text stays of bounded size.
    constexpr std::size_t kMaxIdent = 255;

    void Ident(std::string& out, const char* ident)
    {
        if (!ident)
            return;
        std::size_t n = 0;
        while (n < kMaxIdent && ident[n])
            ++n;
        if (ident[n])
            while (n > 0 && (static_cast<unsigned char>(ident[n]) & 0xC0) == 0x80)
                --n;
        for (std::size_t i = 0; i < n; ++i) {
            const char c = ident[i];
            out.push_back(c == '/' || c == '\r' || c == '\n' ? '_' : c);
        }
    }

} // namespace

const OfficerAdvice& AdviceFor(int officer) { return kAdvice[officer]; }

void WriteAlmanacText(const DayInfo& day, const char* ident, std::string& out)
{
    out.clear();
    const int lunarPillar = ((day.lunarYear - 4) % 60 + 60) % 60;
    const OfficerAdvice& advice = kAdvice[day.officer];

    out.append("农历:");
    Pillar(out, lunarPillar).append("年");
    if (day.leapMonth)
        out.append("闰");
    out.append(kMonths[day.lunarMonth - 1]).append("月").append(kDays[day.lunarDay - 1]);

    out.append("/干支:");
    Pillar(out, day.yearPillar).append("年 ");
    Pillar(out, day.monthPillar).append("月 ");
    Pillar(out, day.dayPillar).append("日");

    out.append("/生肖:").append(kAnimals[lunarPillar % 12]);
    out.append("/宜:").append(advice.suits);
    out.append("/忌:").append(advice.avoids);

    // The day clashes with the pillar six places before it: opposite branch, stem it overcomes.
    const int clash = (day.dayPillar + 54) % 60;
    out.append("/冲煞:冲").append(kAnimals[clash % 12]).append("(");
    Pillar(out, clash).append(")煞").append(kShaDirections[day.dayPillar % 12 % 4]);

    out.append("/公历:");
    Number(out, day.date.year, 4);
    out.append("-");
    Number(out, day.date.month, 2);
    out.append("-");
    Number(out, day.date.day, 2);
    out.append("/星期:").append(kWeekdays[day.weekday]);
    out.append("/节气:").append(day.solarTerm >= 0 ? kTerms[day.solarTerm] : "");
    out.append("/值星:").append(advice.name);
    out.append("/来源:");
    Ident(out, ident);
}

} // namespace hx::almanac
