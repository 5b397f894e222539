#include "SceneFixtures.h"
#include "platform/Log.h"
#include "scene/ObjectReader.h"
#include "scene/ObjectText.h"
#include "scene/ObjectWriter.h"
#include "scene/StreamValues.h"

#include <cstring>
#include <gtest/gtest.h>

namespace hx::test {

namespace {
    std::vector<uint8_t> ToBinary(std::string_view text)
    {
        std::vector<uint8_t> bin;
        EXPECT_TRUE(ObjectTextToBinary(text, bin)) << text;
        return bin;
    }

    std::string ToText(std::span<const uint8_t> bin)
    {
        std::string text;
        EXPECT_TRUE(ObjectBinaryToText(bin, text));
        return text;
    }

    // Silences (and counts) the log for cases that feed bad input on purpose.
    struct LogCapture {
        LogCapture()
        {
            SetLogSink([this](std::string_view l) { lines.emplace_back(l); });
        }
        ~LogCapture() { SetLogSink({}); }
        std::vector<std::string> lines;
    };
} // namespace

// Every value kind of the text form, in the layout our writer produces.
constexpr std::string_view kLayout = R"(object Root: TTestShape
  Count = 3
  Width = 12.5
  Visible = False
  Text = '时间 it''s'#13#10'x'
  Align = taClient
  Corners = [crTopLeft, crBottomRight]
  Fill.Color = -16776961
  Fill.Start.Point = '(1,2.500)'
  Fill.Points = <
    item
      Offset = 0.2
      Color = '#FF112233'
    end
    item
    end>
  Link = Child2
  OnClick = RootClick
  Blob = {
    00FF10}
  object Child1: TTestShape
    Margins.Rect = '(1,2,3,4)'
  end
  object Child2: TTestControl
    Width = 50.0
  end
end
)";

TEST(ObjectText, TextToBinaryToTextIsStable)
{
    std::string once = ToText(ToBinary(kLayout));
    EXPECT_EQ(once, kLayout);
    EXPECT_EQ(ToText(ToBinary(once)), once);
}

TEST(ObjectText, ReadsAuthoringConveniences)
{
    // Unnamed objects, comments, '+' concatenation, hex and signed numbers, other float forms.
    std::string text = ToText(ToBinary(R"(object TTestShape // the root
  Count = $10
  Width = -3
  Text = 'ab' +
    'cd'
  Tag = 1.5x
end)"));
    EXPECT_EQ(text, "object TTestShape\n  Count = 16\n  Width = -3\n  Text = 'abcd'\n  Tag = 1.5x\nend\n");
}

TEST(ObjectText, SurrogatesSurviveTheTextForm)
{
    // A lone surrogate has no UTF-8 form and stays a character code; a pair becomes UTF-8.
    std::string text = ToText(ToBinary("object T\n  Text = #55296'a'#56320#55357#56832\nend"));
    EXPECT_EQ(text, "object T\n  Text = #55296'a'#56320'\xF0\x9F\x98\x80'\nend\n");
    EXPECT_EQ(ToText(ToBinary(text)), text);
}

TEST(ObjectText, RejectsMalformedText)
{
    LogCapture log;
    for (std::string_view bad : { "", "object", "object A: ", "object A: T\n  X = \nend",
             "object A: T\n  X = 'open\nend", "object A: T\n  X = (1 2\nend", "object A: T\n  X = {0A0}\nend",
             "object A: T\n  X = 1\n", "object A: T\nend\nend", "object A: T\n  X = <item X = 1>\nend",
             "object A: T\n  X = 99999999999999999999\nend" }) {
        std::vector<uint8_t> bin { 1 };
        EXPECT_FALSE(ObjectTextToBinary(bad, bin)) << bad;
        EXPECT_TRUE(bin.empty());
    }
    std::string deep;
    for (int i = 0; i < 200; ++i)
        deep += "object T\n";
    std::vector<uint8_t> bin;
    EXPECT_FALSE(ObjectTextToBinary(deep, bin));
    // A class name's length byte would read as the prefix marker 0xF0.
    EXPECT_FALSE(ObjectTextToBinary("object " + std::string(240, 'T') + "\nend", bin));
    EXPECT_TRUE(ObjectTextToBinary("object " + std::string(239, 'T') + "\nend", bin));
}

TEST(ObjectStream, ReadSetsEveryKindAndBindsHandlers)
{
    int clicks = 0;
    TReadOptions options;
    options.findHandler = [&](std::string_view name) -> std::any {
        if (name == "RootClick")
            return TNotifyEvent([&](TObject*) { ++clicks; });
        return {};
    };
    TTestShape root(nullptr);
    TReadReport report = ReadComponentFromBinary(ToBinary(kLayout), root, options);
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(root.Name(), "Root");
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(root.Width(), 12.5f);
    EXPECT_FALSE(root.Visible());
    EXPECT_EQ(root.Text(), u"时间 it's\r\nx");
    EXPECT_EQ(root.Align(), taClient);
    EXPECT_EQ(root.Corners(), 0x9u);
    EXPECT_EQ(root.Fill()->ColorValue(), 0xFF0000FFu);
    EXPECT_EQ(root.Fill()->Start()->Point(), (TvxPoint { 1, 2.5f }));
    ASSERT_EQ(root.Fill()->Points()->Count(), 2);
    auto* p0 = static_cast<TTestPoint*>(root.Fill()->Points()->Item(0));
    EXPECT_EQ(p0->Offset(), 0.2f);
    EXPECT_EQ(p0->Color(), "#FF112233");
    EXPECT_EQ(root.Blob, (std::vector<uint8_t> { 0x00, 0xFF, 0x10 }));
    ASSERT_EQ(root.ChildrenCount(), 2);
    EXPECT_EQ(static_cast<TTestShape*>(root.Child(0))->Margins()->Rect(), (TvxRect { 1, 2, 3, 4 }));
    EXPECT_EQ(root.Link(), root.Child(1)); // a reference to a component read later
    EXPECT_EQ(root.Child(1)->ClassName(), "TTestControl");
    ASSERT_TRUE(root.OnClick);
    root.OnClick(&root);
    EXPECT_EQ(clicks, 1);
    // Children are owned by the root of the read; each component saw Loaded once, not loading.
    EXPECT_EQ(root.Child(0)->Owner(), &root);
    EXPECT_EQ(root.loadedCalls, 1);
    EXPECT_EQ(static_cast<TTestShape*>(root.Child(1))->loadedCalls, 1);
    EXPECT_FALSE(root.IsLoading());
}

TEST(ObjectStream, WriteStoresOnlyWhatDiffersFromDefaults)
{
    TTestShape shape(nullptr);
    EXPECT_EQ(ToText(WriteComponentToBinary(shape)), "object TTestShape\nend\n");
    shape.SetName("S");
    shape.SetWidth(50); // the default
    shape.Position()->SetPoint({ 0, 0 }); // the default point: no "Point"
    shape.SetText(u"a");
    EXPECT_EQ(ToText(WriteComponentToBinary(shape)), "object S: TTestShape\n  Text = 'a'\nend\n");
    // A redefined default decides for the descendant.
    TTestControl control(nullptr);
    control.SetWidth(50);
    EXPECT_EQ(ToText(WriteComponentToBinary(control)), "object TTestControl\n  Width = 50.0\nend\n");
}

TEST(ObjectStream, WrittenObjectReadsBackEqual)
{
    TTestShape a(nullptr);
    ReadComponentFromBinary(ToBinary(kLayout), a);
    std::vector<uint8_t> bin = WriteComponentToBinary(a);
    TTestShape b(nullptr);
    EXPECT_TRUE(ReadComponentFromBinary(bin, b).complete);
    EXPECT_EQ(WriteComponentToBinary(b), bin);
    EXPECT_EQ(b.Text(), a.Text());
}

TEST(ObjectStream, BadPropertiesAndClassesAreSkipped)
{
    LogCapture log;
    TTestShape root(nullptr);
    TReadReport r = ReadComponentFromBinary(ToBinary(R"(object TTestShape
  Nope = 1
  Count = 'text'
  Align = taMiddle
  Fill.Nope.X = (1 2 (3))
  Index = 4
  Corners = [crTopLeft, crNowhere]
  Width = 7
  object X: TNoSuchClass
    Width = 1
    object Y: TTestShape
    end
  end
  object Z: TTestShape
    Link = Nobody
  end
end)"),
        root);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.errors, 7);
    EXPECT_EQ(root.Count(), 0);
    EXPECT_EQ(root.Align(), taNone);
    EXPECT_EQ(root.Corners(), 1u);
    EXPECT_EQ(root.Width(), 7.f); // reading went on after the bad ones
    ASSERT_EQ(root.ChildrenCount(), 1); // the unknown class is skipped with its children
    EXPECT_EQ(root.Child(0)->Name(), "Z");
    EXPECT_FALSE(log.lines.empty());
}

TEST(ObjectStream, TruncatedStreamKeepsWhatWasRead)
{
    LogCapture log;
    std::vector<uint8_t> bin = ToBinary(kLayout);
    for (size_t n = 0; n < bin.size(); ++n) {
        TTestShape root(nullptr);
        TReadReport r = ReadComponentFromBinary(std::span(bin).first(n), root);
        EXPECT_FALSE(r.complete) << n;
        EXPECT_FALSE(root.IsLoading());
        std::string text;
        EXPECT_FALSE(ObjectBinaryToText(std::span(bin).first(n), text));
    }
}

TEST(ObjectStream, AbsurdLengthsFailWithoutAllocating)
{
    LogCapture log;
    // A WideString claiming 2^31-1 characters, a binary claiming 2 GB, a negative length.
    for (std::vector<uint8_t> tail : { std::vector<uint8_t> { vaWString, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0 },
             std::vector<uint8_t> { vaBinary, 0xFF, 0xFF, 0xFF, 0x7F },
             std::vector<uint8_t> { vaLString, 0, 0, 0, 0x80 } }) {
        std::vector<uint8_t> bin
            = { 'T', 'P', 'F', '0', 10, 'T', 'T', 'e', 's', 't', 'S', 'h', 'a', 'p', 'e', 0, 4, 'T', 'e', 'x', 't' };
        bin.insert(bin.end(), tail.begin(), tail.end());
        TTestShape root(nullptr);
        EXPECT_FALSE(ReadComponentFromBinary(bin, root).complete);
        EXPECT_TRUE(root.Text().empty());
    }
}

TEST(ObjectStream, CollectionLengthIsCapped)
{
    LogCapture log;
    std::vector<uint8_t> bin = ToBinary("object TTestShape\nend");
    bin.resize(bin.size() - 2); // reopen the property list
    TValueWriter w(bin);
    w.ShortString("Fill.Points");
    w.Byte(vaCollection);
    for (int i = 0; i < 70000; ++i) {
        w.Byte(vaList);
        w.Byte(0);
    }
    w.Byte(vaNull);
    w.Byte(0);
    w.Byte(0);
    TTestShape root(nullptr);
    ReadComponentFromBinary(bin, root);
    EXPECT_EQ(root.Fill()->Points()->Count(), 65536);
}

TEST(ObjectStream, ExtendedConvertsBothWays)
{
    for (double v : { 0.0, 1.0, -2.5, 1e-300, 123456.789, 3.4e38 }) {
        uint8_t b[10];
        DoubleToExtended(v, b);
        EXPECT_EQ(ExtendedToDouble(b), v);
    }
    // 1.0 as the x87 writes it.
    uint8_t one[10];
    DoubleToExtended(1.0, one);
    const uint8_t expected[10] = { 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F };
    EXPECT_EQ(std::memcmp(one, expected, 10), 0);
}

TEST(ObjectStream, CreateByNameAndUnknownRoot)
{
    LogCapture log;
    std::unique_ptr<TComponent> c(CreateComponentFromBinary(ToBinary("object A: TTestControl\nend"), nullptr));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->ClassName(), "TTestControl");
    EXPECT_EQ(CreateComponentFromBinary(ToBinary("object A: TNoSuch\nend"), nullptr), nullptr);
    EXPECT_EQ(CreateComponentFromBinary(std::vector<uint8_t> { 'T', 'P', 'F' }, nullptr), nullptr);
}

} // namespace hx::test
