#include "info/TextDecode.h"

#include <gtest/gtest.h>
#include <string>

namespace hx {
namespace {

    // "北京晴" in GBK.
    const std::string Gbk = "\xB1\xB1\xBE\xA9\xC7\xE7";

    TEST(DecodeReply, DeclaredCharsets)
    {
        struct Case {
            const char* name;
            std::string body;
            const char* contentType;
            std::string text;
        } cases[] = {
            { "header", Gbk, "text/xml; charset=GBK", "北京晴" },
            { "header quoted, gb2312 label", Gbk, "text/html; Charset=\"gb2312\"", "北京晴" },
            { "xml declaration", "<?xml version=\"1.0\" encoding=\"gbk\"?><a>" + Gbk + "</a>", "text/xml",
                "<?xml version=\"1.0\" encoding=\"gbk\"?><a>北京晴</a>" },
            { "html meta http-equiv",
                "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head>" + Gbk,
                "text/html",
                "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head>北京晴" },
            { "html meta charset", "<meta charset='GBK'>" + Gbk, "", "<meta charset='GBK'>北京晴" },
            { "header beats meta", "<meta charset=\"gbk\">北京", "text/html; charset=utf-8",
                "<meta charset=\"gbk\">北京" },
            { "nothing declared: UTF-8", "北京晴", "", "北京晴" },
            { "UTF-8 BOM beats header and is dropped", "\xEF\xBB\xBF北京", "text/html; charset=gbk", "北京" },
            { "unknown charset read as UTF-8", "北京", "text/html; charset=x-no-such", "北京" },
            { "latin-1 label", "caf\xE9", "text/plain; charset=iso-8859-1", "café" },
        };
        for (const Case& c : cases)
            EXPECT_EQ(DecodeReply(c.body, c.contentType), c.text) << c.name;
    }

    TEST(DecodeReply, UndecodableBytesBecomeSubstitutes)
    {
        EXPECT_EQ(DecodeReply("a\xFF"
                              "b",
                      ""),
            "a\xEF\xBF\xBD"
            "b");
        EXPECT_EQ(DecodeReply("\xB1\xB1\xFF", "text/plain; charset=gbk"), "北\xEF\xBF\xBD");
        // A GBK page read as UTF-8 (no label) keeps its ASCII markup intact.
        std::string text = DecodeReply("<p>" + Gbk + "</p>", "");
        EXPECT_TRUE(text.starts_with("<p>") && text.ends_with("</p>")) << text;
        EXPECT_NE(text.find("\xEF\xBF\xBD"), std::string::npos);
    }

} // namespace
} // namespace hx
