#include "platform/vcl/web/Charset.h"
#include "platform/vcl/web/DocumentLoader.h"
#include "platform/vcl/web/EWebBrowserError.h"
#include "platform/vcl/web/HTMLDocument.h"
#include "platform/vcl/web/HTMLParser.h"
#include <gtest/gtest.h>

namespace {

std::shared_ptr<HTMLDocument> load(const std::string& html, const std::string& contentType = "text/html; charset=utf-8")
{
    return HTMLDocument::Load(html, contentType, "file:///fixture.html");
}

std::string bodyHtml(const std::string& html) { return WideToUtf8(load(html)->body()->innerHTML()); }
std::string bodyText(const std::string& html) { return WideToUtf8(load(html)->body()->innerText()); }

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

struct Case {
    const char* input;
    const char* expected;
};

}

TEST(HTMLSerializer, WritesMarkupTheWayTheScansExpect)
{
    const Case cases[] = {
        // Upper-case tags, attribute names as written, every value double-quoted.
        { "<a href=x.html title='say \"hi\"'>L</a>", "<A href=\"x.html\" title=\"say &quot;hi&quot;\">L</A>" },
        { "<a HREF='x' class=c>L</a>", "<A HREF=\"x\" class=\"c\">L</A>" },
        { "<img src=a.gif alt=b><br>x", "<IMG src=\"a.gif\" alt=\"b\"><BR>x" },
        { "a &amp; b &lt; c &gt; d&nbsp;e", "a &amp; b &lt; c &gt; d&nbsp;e" },
        { "<body><script>if (a<b && c) s=\"</p>\";</script>", "<SCRIPT>if (a<b && c) s=\"</p>\";</SCRIPT>" },
        { "<body><!-- note -->x", "<!-- note -->x" },
        { "<table><tr><td>1</td></tr></table>", "<TABLE><TBODY><TR><TD>1</TD></TR></TBODY></TABLE>" },
        { "<b><i>x</b>y</i>", "<B><I>x</I></B><I>y</I>" },
        { "<p>one<p>two", "<P>one</P><P>two</P>" },
        { "<pre>\n\nx</pre>", "<PRE>\n\nx</PRE>" },
        { "<svg viewBox='0 0 1 1'><foreignObject/></svg>", "<SVG viewBox=\"0 0 1 1\"><FOREIGNOBJECT></FOREIGNOBJECT></SVG>" },
        { "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(bodyHtml(c.input), c.expected);
    }
}

TEST(HTMLSerializer, RendersTextInSimplifiedBrowserForm)
{
    const Case cases[] = {
        { "<p>One</p><p>Two</p>", "One\n\nTwo" },
        { "a<br>b", "a\nb" },
        { "<div>x</div><div>y</div>z", "x\ny\nz" },
        { "<table><tr><td>a</td><td>b</td></tr><tr><th>c</th><td>d</td></tr></table>", "a\tb\nc\td" },
        { "<body>x<script>var a;</script><style>p{}</style>y", "xy" },
        { "  a \n\t  <b> b </b>  c  ", "a b c" },
        { "<pre>a  b\n c</pre>", "a  b\n c" },
        { "<span hidden>no</span>ok <noscript>js off</noscript>", "ok" },
        { "<ul><li>one</li><li>two</li></ul>", "one\ntwo" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(bodyText(c.input), c.expected);
    }
}

TEST(HTMLDocument, TitleBodyAndElementInterfaces)
{
    auto document = load("<title>\n  A   b </title><body class=x>t</body>");
    EXPECT_EQ(WideToUtf8(document->title()), "A b");
    auto body = document->body();
    ASSERT_TRUE(body);
    EXPECT_EQ(WideToUtf8(body->tagName()), "BODY");
    EXPECT_EQ(WideToUtf8(body->outerHTML()), "<BODY class=\"x\">t</BODY>");
    EXPECT_EQ(WideToUtf8(load("<p>x")->title()), "");
    // A frameset document answers its frameset as the body.
    EXPECT_EQ(WideToUtf8(load("<frameset><frame src=a></frameset>")->body()->tagName()), "FRAMESET");
    // Plain text becomes a preformatted block, nothing in it taken as markup.
    EXPECT_EQ(WideToUtf8(load("a <b> & c", "text/plain")->body()->innerText()), "a <b> & c");
    EXPECT_THROW(load("GIF89a", "image/gif"), EWebBrowserError);
}

TEST(Charset, DetectsLikeABrowser)
{
    struct DetectCase {
        const char* bytes;
        const char* declared;
        const char* expected;
    };
    const DetectCase cases[] = {
        { "\xEF\xBB\xBF<meta charset=iso-8859-2>", "windows-1251", "utf-8" },  // the mark wins
        { "<meta charset=iso-8859-2>", "text/html; charset=\"UTF-8\"", "utf-8" },
        { "<head><meta charset='ISO-8859-2'>", "", "iso-8859-2" },
        { "<meta http-equiv=Content-Type content='text/html; charset=utf-8'>", "", "utf-8" },
        { "<meta charset=latin1>", "", "windows-1252" },
        { "<meta charset=utf-16>", "", "utf-8" },
        { "<meta charset=no-such-set>", "", "windows-1252" },
        { "<p>nothing declared", "", "windows-1252" },
    };
    for (const DetectCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Charset::Detect(c.bytes, Charset::FromContentType(c.declared)), c.expected);
    }
}

TEST(Charset, ConvertsToValidUtf8)
{
    EXPECT_EQ(Charset::ToUtf8("\x93x\x94 \x80 \xE9", "windows-1252"), "\u201Cx\u201D \u20AC \u00E9");
    EXPECT_EQ(Charset::ToUtf8("\xB1", "iso-8859-2"), "\u0105");
    EXPECT_EQ(Charset::ToUtf8("ok \xFF \xC3", "utf-8"), "ok \uFFFD \uFFFD");
    EXPECT_EQ(Charset::ToUtf8(std::string("\xFF\xFEh\0i\0", 6), "utf-16le"), "hi");
    // A sequence cut off at the end becomes one replacement character.
    EXPECT_EQ(Charset::ToUtf8("a\x82", "shift_jis"), "a\uFFFD");
}

TEST(HTMLParser, RefusesDocumentsPastItsBounds)
{
    auto message = [](const std::string& html) {
        try {
            HTMLParser::Parse(html);
        } catch (const EWebBrowserError& e) {
            return e.Message();
        }
        return std::string("parsed");
    };
    EXPECT_EQ(message(repeat("<div>", 400)), "parsed");
    EXPECT_EQ(message(repeat("<div>", 600)), "The document is nested too deeply (more than 512 levels)");
    // A hostile depth is refused before the parser spends time on it.
    EXPECT_EQ(message(repeat("<span>", 2000000)), "The document is nested too deeply (more than 512 levels)");
    EXPECT_EQ(message(repeat("<div/>", 600)), "The document is nested too deeply (more than 512 levels)");
    // Closed or implicitly closed elements do not add up.
    EXPECT_EQ(message(repeat("<div></div>", 5000) + repeat("<p>x", 5000) + repeat("<li>y", 5000)), "parsed");
    EXPECT_EQ(message("<svg>" + repeat("<path d='M0 0'/>", 5000) + "</svg>"), "parsed");
    EXPECT_EQ(message(std::string(HTMLParser::MaxDocumentBytes + 1, 'x')), "The document is too large (more than 16777216 bytes)");
    // Misnested formatting is reopened inside what follows it, so it nests.
    EXPECT_EQ(message(repeat("<a><div></a>", 300)), "The document is nested too deeply (more than 512 levels)");
    // Nesting the estimate does not see (the implied tbody of each table) is
    // still caught on the built tree.
    EXPECT_EQ(message(repeat("<table><tr><td>", 150)), "The document is nested too deeply (more than 512 levels)");

    // A parse whose browser has gone away stops early.
    std::atomic<bool> cancelled { true };
    EXPECT_THROW(HTMLParser::Parse(repeat("<p>x", 2000), &cancelled), EWebBrowserError);
}

TEST(DocumentLoader, FileUrlsToPaths)
{
    const Case cases[] = {
        { "file:///tmp/a%20b.html", "/tmp/a b.html" },
        { "FILE://localhost/x.html?q#f", "/x.html" },
        { "file:/x.html", "/x.html" },
        { "file://server/share/x.html", "" },
        { "file:///a%00b", "" },
        { "file:relative.html", "" },
        { "http://host/x.html", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(DocumentLoader::FilePath(c.input), c.expected);
    }
}
