#include "info/ParseAstro.h"

#include "info/IntText.h"
#include "platform/Log.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <memory>
#include <pcre2.h>
#include <string>

namespace hx {
namespace {

    // One compiled pattern, shared by every worker thread: compiled code is read-only once
    // made, and each match brings its own match data.
    class Pattern {
    public:
        explicit Pattern(std::string_view pattern)
            : source_(pattern)
        {
            int error = 0;
            PCRE2_SIZE offset = 0;
            code_ = pcre2_compile(
                reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), PCRE2_DOTALL, &error, &offset, nullptr);
            if (!code_) {
                Log("horoscope pattern does not compile: " + source_);
                return;
            }
            // Without JIT (an unsupported machine) the interpreter gives the same matches.
            pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
        }
        ~Pattern() { pcre2_code_free(code_); }
        Pattern(const Pattern&) = delete;
        Pattern& operator=(const Pattern&) = delete;

        // The leftmost match at or after start: {offset, length}, or npos offset when none.
        std::pair<size_t, size_t> Find(std::string_view text, size_t start) const
        {
            if (!code_)
                return { std::string_view::npos, 0 };
            std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
                pcre2_match_data_create_from_pattern(code_, nullptr), &pcre2_match_data_free);
            int rc = pcre2_match(
                code_, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start, 0, data.get(), nullptr);
            if (rc < 0) {
                if (rc != PCRE2_ERROR_NOMATCH)
                    Log("horoscope pattern " + source_ + " gave up (" + std::to_string(rc) + "); taken as no match");
                return { std::string_view::npos, 0 };
            }
            const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data.get());
            return { ov[0], ov[1] - ov[0] };
        }

        std::string_view FindText(std::string_view text) const
        {
            auto [at, length] = Find(text, 0);
            return at == std::string_view::npos ? std::string_view() : text.substr(at, length);
        }

    private:
        std::string source_;
        pcre2_code* code_ = nullptr;
    };

    std::string DeleteAll(std::string text, std::string_view what)
    {
        if (what.empty())
            return text;
        std::string out;
        out.reserve(text.size());
        size_t from = 0;
        for (size_t at; (at = text.find(what, from)) != std::string::npos; from = at + what.size())
            out.append(text, from, at - from);
        out.append(text, from, std::string::npos);
        return out;
    }

    // A heading's paragraph with its markup deleted; found is false when the section is missing.
    struct Cut {
        bool found = false;
        std::string text;
    };

    Cut CutText(const Pattern& pattern, std::string_view page, std::string_view opening, std::string_view closing)
    {
        auto [at, length] = pattern.Find(page, 0);
        if (at == std::string_view::npos)
            return {};
        std::string text(page.substr(at, length));
        return { true, DeleteAll(DeleteAll(std::move(text), opening), closing) };
    }

    const Pattern& ImageTag()
    {
        static const Pattern p("<img[^>]*>");
        return p;
    }

    const Pattern& SectionPattern(std::string_view heading)
    {
        static const Pattern love("<h4>爱情运势</h4><p>.+?</p>");
        static const Pattern work("<h4>工作状况</h4><p>.+?</p>");
        static const Pattern finance("<h4>理财投资</h4><p>.+?</p>");
        static const Pattern none("(*FAIL)");
        if (heading == "爱情运势")
            return love;
        if (heading == "工作状况")
            return work;
        if (heading == "理财投资")
            return finance;
        return none;
    }

} // namespace

int32_t CountStars(std::string_view page, std::string_view heading)
{
    std::string_view section = SectionPattern(heading).FindText(page);
    if (section.empty())
        return 0;
    int32_t count = 0;
    for (size_t from = 0; from <= section.size();) {
        auto [at, length] = ImageTag().Find(section, from);
        if (at == std::string_view::npos)
            break;
        ++count;
        from = at + (length ? length : 1);
    }
    return count;
}

TastroRec ParseAstro(std::string_view page)
{
    static const Pattern summary(R"(<div class="lotconts">[^<]*</div>)");
    static const Pattern number("<h4>幸运数字</h4><p>[^<]*</p>");
    static const Pattern colour("<h4>幸运颜色</h4><p>[^<]*</p>");
    static const Pattern match("<h4>速配星座</h4><p>[^<]*</p>");

    TastroRec rec;
    rec.Summary = CutText(summary, page, R"(<div class="lotconts">)", "</div>").text;
    rec.OverallStars = CountStars(page, "爱情运势");
    rec.LoveStars = CountStars(page, "爱情运势");
    rec.WorkStars = CountStars(page, "工作状况");
    rec.FinanceStars = CountStars(page, "理财投资");
    Cut lucky = CutText(number, page, "<h4>幸运数字</h4><p>", "</p>");
    rec.LuckyNumber = lucky.found ? IntFromText(lucky.text).value_or(0) : 0;
    Cut luckyColour = CutText(colour, page, "<h4>幸运颜色</h4><p>", "</p>");
    rec.LuckyColour = luckyColour.found ? luckyColour.text : "无";
    Cut matchSign = CutText(match, page, "<h4>速配星座</h4><p>", "</p>");
    rec.MatchSign = matchSign.found ? matchSign.text : "无";
    return rec;
}

} // namespace hx
