#include "platform/vcl/web/TCppWebBrowser.h"
#include "tests/platform/vcl/web/WebTestSupport.h"
#include <gtest/gtest.h>

using webtest::PumpUntil;

namespace {

std::string fixtureUrl(const std::string& name)
{
    return "file://" + webtest::SourcePath("tests/platform/vcl/web/fixtures/" + name);
}

// A browser with its events recorded.
struct Recorder {
    TCppWebBrowser browser;
    std::vector<std::string> completed;
    std::vector<std::pair<int, std::string>> errors;

    Recorder()
    {
        browser.OnDocumentComplete = [this](TObject* sender, const WideString& url) {
            EXPECT_EQ(sender, &browser);
            completed.push_back(WideToUtf8(url));
        };
        browser.OnNavigateError = [this](TObject*, const WideString&, int status, const AnsiString& message) {
            errors.emplace_back(status, message);
        };
    }
    bool Go(const std::string& url)
    {
        size_t before = completed.size() + errors.size();
        browser.Navigate(Utf8ToWide(url));
        return PumpUntil([&] { return completed.size() + errors.size() > before; });
    }
    std::shared_ptr<IHTMLDocument2> Document() { return QueryInterface<IHTMLDocument2>(browser.Document()); }
    std::string BodyHtml() { return WideToUtf8(Document()->body()->innerHTML()); }
};

webtest::Response serve(const webtest::Request& request)
{
    webtest::Response response;
    if (request.path == "/latin.html") {
        response.contentType = "text/html; charset=iso-8859-1";
        response.body = "<title>Caf\xe9</title><body><A href=\"x.html\">x</A>";
    } else if (request.path == "/moved") {
        response.status = 302;
        response.extraHeaders = "Location: /latin.html\r\n";
    } else if (request.path == "/elsewhere") {
        response.status = 302;
        response.extraHeaders = "Location: file:///etc/passwd\r\n";
    } else if (request.path == "/echo") {
        response.body = "<body>" + request.method + " " + request.body + "</body>";
    } else if (request.path == "/slow") {
        response.hang = true;
    } else if (request.path == "/huge") {
        response.extraHeaders = "X-Pad: 1\r\n";
        response.body = std::string((16u << 20) + 10, 'x');
    } else {
        response.status = 404;
        response.body = "<body>not here</body>";
    }
    return response;
}

}

TEST(TCppWebBrowser, LoadsFileDocumentsWithoutBlocking)
{
    Recorder r;
    EXPECT_EQ(r.browser.ReadyState(), READYSTATE_UNINITIALIZED);
    r.browser.Navigate(Utf8ToWide(fixtureUrl("page.html")));
    // Nothing changes until the completion is dispatched on this thread.
    EXPECT_TRUE(r.browser.Busy());
    EXPECT_FALSE(r.browser.Document());
    ASSERT_TRUE(PumpUntil([&] { return !r.completed.empty(); }));
    EXPECT_EQ(r.browser.ReadyState(), READYSTATE_COMPLETE);
    EXPECT_EQ(r.completed[0], fixtureUrl("page.html"));
    auto document = r.Document();
    ASSERT_TRUE(document);
    EXPECT_EQ(WideToUtf8(document->title()), "Fixture page");
    EXPECT_EQ(WideToUtf8(document->body()->innerHTML()), "<H1>Hello</H1><P>Größe <A href=\"next.html\">next</A></P>\n\n");
    EXPECT_EQ(WideToUtf8(document->body()->innerText()), "Hello\n\nGröße next");

    // No declaration: windows-1252, and the text arrives as UTF-8.
    ASSERT_TRUE(r.Go(fixtureUrl("latin.html")));
    EXPECT_EQ(WideToUtf8(r.Document()->title()), "Café menu");
    EXPECT_EQ(WideToUtf8(r.Document()->body()->innerText()), "Crème & \u201Cquotes\u201D");
    EXPECT_EQ(WideToUtf8(r.Document()->charset()), "windows-1252");

    ASSERT_TRUE(r.Go(fixtureUrl("notes.txt")));
    EXPECT_EQ(WideToUtf8(r.Document()->body()->innerText()), "plain <text> & more\n");
    ASSERT_TRUE(r.Go("about:blank"));
    EXPECT_EQ(r.BodyHtml(), "");
}

TEST(TCppWebBrowser, FailedNavigationsLeaveNoDocument)
{
    Recorder r;
    ASSERT_TRUE(r.Go(fixtureUrl("page.html")));
    struct Case {
        std::string url;
        std::string messageStart;
    };
    const std::string big = "/tmp/vel-web-big-" + std::to_string(getpid()) + ".html";
    {
        std::ofstream out(big);
    }
    truncate(big.c_str(), (16 << 20) + 1);
    const Case cases[] = {
        { fixtureUrl("missing.html"), "Cannot open " + fixtureUrl("missing.html") + ": No such file" },
        { "file://" + webtest::SourcePath("tests"), "Cannot open file://" + webtest::SourcePath("tests") + ": not a file" },
        { "file://server/x.html", "Cannot open file://server/x.html: not a local file" },
        { "ftp://example.invalid/x", "Cannot open ftp://example.invalid/x: unsupported address" },
        { "javascript:alert(1)", "Cannot open javascript:alert(1): unsupported address" },
        { "file://" + big, "The document is too large (more than 16777216 bytes)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        r.errors.clear();
        ASSERT_TRUE(r.Go(c.url));
        ASSERT_EQ(r.errors.size(), 1u);
        EXPECT_EQ(r.errors[0].second.substr(0, c.messageStart.size()), c.messageStart);
        EXPECT_FALSE(r.browser.Document());
        EXPECT_EQ(r.browser.LastError(), r.errors[0].second);
        EXPECT_EQ(WideToUtf8(r.browser.LocationURL()), c.url);
    }
    unlink(big.c_str());
}

TEST(TCppWebBrowser, LoadsOverHttp)
{
    webtest::TinyHttpServer server(serve);
    Recorder r;
    ASSERT_TRUE(r.Go(server.Url("/moved")));
    ASSERT_EQ(r.completed.size(), 1u);
    EXPECT_EQ(r.completed[0], server.Url("/latin.html"));
    EXPECT_EQ(WideToUtf8(r.browser.LocationURL()), server.Url("/latin.html"));
    EXPECT_EQ(WideToUtf8(r.Document()->title()), "Café");
    EXPECT_EQ(r.BodyHtml(), "<A href=\"x.html\">x</A>");

    // Post data and headers reach the server.
    OleVariant flags = OleVariant::Omitted(), frame = OleVariant::Omitted();
    OleVariant post = OleVariant::Bytes("a=1&b=2"), headers(u"Content-Type: application/x-www-form-urlencoded\r\n");
    r.browser.Navigate(Utf8ToWide(server.Url("/echo")), &flags, &frame, &post, &headers);
    ASSERT_TRUE(PumpUntil([&] { return r.completed.size() == 2; }));
    EXPECT_EQ(r.BodyHtml(), "POST a=1&amp;b=2");

    r.errors.clear();
    ASSERT_TRUE(r.Go(server.Url("/nothing")));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].first, 404);
    EXPECT_EQ(r.errors[0].second, "Cannot load " + server.Url("/nothing") + ": the server answered 404");

    // A redirect may not leave the web.
    r.errors.clear();
    ASSERT_TRUE(r.Go(server.Url("/elsewhere")));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_FALSE(r.browser.Document());

    r.errors.clear();
    ASSERT_TRUE(r.Go(server.Url("/huge")));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].second, "The document is too large (more than 16777216 bytes)");
}

TEST(TCppWebBrowser, SlowServersTimeOutAndLaterNavigationsWin)
{
    webtest::TinyHttpServer server(serve);
    Recorder r;
    r.browser.SetTimeout(300);
    ASSERT_TRUE(r.Go(server.Url("/slow")));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].first, 0);
    EXPECT_NE(r.errors[0].second.find("timed out"), std::string::npos) << r.errors[0].second;

    // The second navigation supersedes the first, which never reports.
    r.errors.clear();
    r.browser.SetTimeout(30000);
    r.browser.Navigate(Utf8ToWide(server.Url("/slow")));
    r.browser.Navigate(Utf8ToWide(server.Url("/latin.html")));
    ASSERT_TRUE(PumpUntil([&] { return !r.completed.empty(); }));
    EXPECT_EQ(r.completed, std::vector<std::string> { server.Url("/latin.html") });
    EXPECT_TRUE(r.errors.empty());
    EXPECT_FALSE(r.browser.Busy());

    // Destroying the control while a transfer hangs ends the transfer.
    {
        int before = server.Requests();
        TCppWebBrowser doomed;
        doomed.Navigate(Utf8ToWide(server.Url("/slow")));
        EXPECT_TRUE(PumpUntil([&] { return server.Requests() > before; }));
    }
    PumpUntil([] { return false; }, 50);  // a stale completion, if any, is dropped
}

TEST(TCppWebBrowser, StopKeepsTheCurrentDocument)
{
    webtest::TinyHttpServer server(serve);
    Recorder r;
    ASSERT_TRUE(r.Go(fixtureUrl("page.html")));
    r.browser.Navigate(Utf8ToWide(server.Url("/slow")));
    EXPECT_TRUE(r.browser.Busy());
    r.browser.Stop();
    EXPECT_EQ(r.browser.ReadyState(), READYSTATE_COMPLETE);
    ASSERT_TRUE(r.Document());
    EXPECT_EQ(WideToUtf8(r.Document()->title()), "Fixture page");
}
