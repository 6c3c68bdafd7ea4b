#include "components/html/TVelHTML.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TListBox.h"
#include "platform/vcl/web/EWebBrowserError.h"
#include "platform/win/core/Messages.h"
#include "tests/platform/vcl/web/WebTestSupport.h"
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using webtest::PumpUntil;

namespace {

std::string fixturePath(const std::string& name) { return webtest::SourcePath("tests/components/html/fixtures/" + name); }
std::string fixtureUrl(const std::string& name) { return "file://" + fixturePath(name); }

webtest::Response serveFixtures(const webtest::Request& request)
{
    webtest::Response response;
    std::string path = fixturePath(request.path.substr(1));
    if (request.path.find("..") != std::string::npos || !fs::is_regular_file(path)) {
        response.status = 404;
        return response;
    }
    response.contentType = "text/html; charset=utf-8";
    response.body = webtest::ReadFile(path);
    return response;
}

// A helper bound to a browser, with a way to wait for a page.
struct Bound {
    TCppWebBrowser browser;
    TVelHTML html { nullptr };
    int completed = 0;
    int failed = 0;

    Bound()
    {
        html.WebBrowser = &browser;
        browser.OnDocumentComplete = [this](TObject*, const WideString&) { ++completed; };
        browser.OnNavigateError = [this](TObject*, const WideString&, int, const AnsiString&) { ++failed; };
    }
    void Open(const std::string& url)
    {
        int before = completed;
        html.BrowseTo(url);
        ASSERT_TRUE(PumpUntil([&] { return completed > before || failed > 0; }));
        ASSERT_EQ(failed, 0) << browser.LastError();
    }
};

struct ScanExpectation {
    const char* fixture;
    std::vector<std::string> links;
    bool linksResult;
    std::vector<std::string> images;
    bool imagesResult;
    std::vector<std::string> vars;
    bool varsResult;
};

const std::vector<ScanExpectation>& expectations()
{
    static const std::vector<ScanExpectation> table = {
        // The platform writes tag names in upper case, so a link written
        // <a href=...> is found; HREF and an attribute before href are not.
        { "links.html", { "x.html", "lower.html", "x.html" }, false, {}, false, {}, false },
        { "images.html", {}, false, { "a.gif", "b.gif", "s.js" }, true, {}, false },
        { "script.html", {}, false, {}, false, { "1", "2", "a==b" }, true },
        { "empty.html", {}, false, {}, false, {}, false },
    };
    return table;
}

void checkScans(Bound& bound, const std::function<std::string(const std::string&)>& urlOf)
{
    for (const ScanExpectation& e : expectations()) {
        SCOPED_TRACE(e.fixture);
        bound.Open(urlOf(e.fixture));
        TStringList links, images, vars;
        EXPECT_EQ(bound.html.GetAllLinks(&links), e.linksResult);
        EXPECT_EQ(bound.html.GetAllImages(&images), e.imagesResult);
        EXPECT_EQ(bound.html.GetAllVar(&vars, "var ", "=", ";"), e.varsResult);
        EXPECT_EQ(links.Items(), e.links);
        EXPECT_EQ(images.Items(), e.images);
        EXPECT_EQ(vars.Items(), e.vars);
    }
}

}

TEST(TVelHTML, ScansDocumentsLoadedFromFiles)
{
    Bound bound;
    checkScans(bound, fixtureUrl);
}

TEST(TVelHTML, ScansDocumentsLoadedOverHttp)
{
    webtest::TinyHttpServer server(serveFixtures);
    Bound bound;
    checkScans(bound, [&](const std::string& name) { return server.Url("/" + name); });
}

TEST(TVelHTML, ReadsTitleTextAndMarkup)
{
    Bound bound;
    bound.Open(fixtureUrl("script.html"));
    EXPECT_EQ(bound.html.GetTitel(), "Script values");
    EXPECT_EQ(bound.html.GetBodyText(), "Values are set.");
    EXPECT_EQ(bound.html.GetBodyHtml(), "<SCRIPT>var a=1;var b=2;var s=a==b;</SCRIPT><P>Values  are\nset.</P>\n");
    bound.Open(fixtureUrl("empty.html"));
    EXPECT_EQ(bound.html.GetTitel(), "");
    EXPECT_EQ(bound.html.GetBodyText(), "");
    EXPECT_EQ(bound.html.GetBodyHtml(), "");
    EXPECT_EQ(bound.html.GetActiveImage(10, 20), "");
}

TEST(TVelHTML, ScansAppendToListsAndListBoxes)
{
    Bound bound;
    bound.Open(fixtureUrl("links.html"));
    TStringList list { "first" };
    bound.html.GetAllLinks(&list);
    EXPECT_EQ(list.Items(), (std::vector<std::string> { "first", "x.html", "lower.html", "x.html" }));

    TListBox box(nullptr);
    box.Items()->Add("kept");
    EXPECT_FALSE(bound.html.GetAllLinks(&box));
    EXPECT_EQ(box.Items()->ToVector(), (std::vector<std::string> { "kept", "x.html", "lower.html", "x.html" }));
    bound.Open(fixtureUrl("images.html"));
    EXPECT_TRUE(bound.html.GetAllImages(&box));
    bound.Open(fixtureUrl("script.html"));
    EXPECT_TRUE(bound.html.GetAllVar(&box, "var ", "=", ";"));
    EXPECT_EQ(box.Items()->Count(), 10);
    EXPECT_EQ(box.Items()->Get(9), "a==b");
}

TEST(TVelHTML, FailsClearlyWithoutBrowserOrDocument)
{
    TVelHTML html(nullptr);
    TStringList list;
    auto expectError = [](const std::function<void()>& call, const std::string& message) {
        try {
            call();
            ADD_FAILURE() << "no error, expected: " << message;
        } catch (const EWebBrowserError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    };
    const std::string unbound = "No web browser is bound to the component";
    expectError([&] { html.BrowseTo("about:blank"); }, unbound);
    expectError([&] { html.GetTitel(); }, unbound);
    expectError([&] { html.GetBodyText(); }, unbound);
    expectError([&] { html.GetBodyHtml(); }, unbound);
    expectError([&] { html.GetAllLinks(&list); }, unbound);
    expectError([&] { html.GetAllImages(&list); }, unbound);
    expectError([&] { html.GetAllVar(&list, "a", "b", "c"); }, unbound);

    TCppWebBrowser browser;
    html.WebBrowser = &browser;
    const std::string empty = "The web browser holds no document";
    expectError([&] { html.GetTitel(); }, empty);
    expectError([&] { html.GetAllLinks(&list); }, empty);
    expectError([&] { html.GetAllLinks(static_cast<TStrings*>(nullptr)); }, "No list to fill was given");
    // An empty start marker is refused before anything is read.
    EXPECT_FALSE(html.GetAllVar(&list, "", "=", ";"));
    EXPECT_EQ(list.Count(), 0);
}

TEST(TVelHTML, BrowseToTwiceEndsOnTheSecondPage)
{
    Bound bound;
    bound.html.BrowseTo(fixtureUrl("links.html"));
    bound.html.BrowseTo(fixtureUrl("images.html"));
    ASSERT_TRUE(PumpUntil([&] { return bound.completed > 0; }));
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(bound.completed, 1);
    EXPECT_EQ(WideToUtf8(bound.browser.LocationURL()), fixtureUrl("images.html"));
    TStringList images;
    EXPECT_TRUE(bound.html.GetAllImages(&images));
    EXPECT_EQ(images.Count(), 3);
}

TEST(TVelHTML, ScansLetTheApplicationHandleMessages)
{
    Bound bound;
    bound.Open(fixtureUrl("links.html"));
    TStringList list;
    int handled = 0;
    // A user action that arrives during the scan: it adds to the same list
    // and navigates the browser away; the scan goes on over its own copy.
    HWND window = CreateMessageWindow([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_USER + 1) {
            ++handled;
            list.Add("from handler");
            bound.html.BrowseTo(fixtureUrl("empty.html"));
        }
        return 0;
    });
    PostMessage(window, WM_USER + 1, 0, 0);
    bound.html.GetAllLinks(&list);
    DestroyWindow(window);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(list.Items(), (std::vector<std::string> { "from handler", "x.html", "lower.html", "x.html" }));
    ASSERT_TRUE(PumpUntil([&] { return bound.completed == 2; }));
}

TEST(TVelHTML, OpensOnlyWebAddressesAndHtmlDocuments)
{
    struct Case {
        std::string url;
        bool opens;
    };
    const std::vector<Case> cases = {
        { "http://example.invalid/", true },
        { "HTTPS://example.invalid/a b?x=1&y=$(id);z", true },
        { "mailto:someone@example.invalid", true },
        { fixtureUrl("links.html"), true },
        { "file://localhost" + fixturePath("links.html"), true },
        { fixtureUrl("missing.html"), false },
        { "file://" + webtest::SourcePath("tests/platform/win/shell/xdg-open"), false },
        { "file:///usr/bin/xterm", false },
        { "/usr/bin/xterm", false },
        { "xterm", false },
        { "", false },
        { "http://", false },
        { "https:///etc/passwd", false },
        { "javascript:alert(1)", false },
        { "ftp://example.invalid/", false },
        { "smb://server/share", false },
        { "file:///usr/share/applications/firefox.desktop", false },
        { "http://example.invalid/\nsecond line", false },
        { "-http://example.invalid/", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(TVelHTML::IsOpenableUrl(c.url), c.opens);
    }
}

TEST(TVelHTML, CallExternUrlHandsTheAddressToTheShell)
{
    fs::path root = fs::temp_directory_path() / ("vel-html-open-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "bin");
    fs::create_directories(root / "out");
    fs::copy_file(webtest::SourcePath("tests/platform/win/shell/xdg-open"), root / "bin/xdg-open");
    fs::permissions(root / "bin/xdg-open", fs::perms::owner_all);
    std::string oldPath = getenv("PATH");
    setenv("PATH", ((root / "bin").string() + ":" + oldPath).c_str(), 1);
    setenv("FAKE_OPENER_DIR", (root / "out").c_str(), 1);

    TVelHTML html(nullptr);
    const std::string url = "https://example.invalid/a b?x=1&y=$(touch " + (root / "pwned").string() + ");z";
    html.CallExternUrl(url);
    bool arrived = PumpUntil([&] { return fs::exists(root / "out/args"); });
    EXPECT_TRUE(arrived);
    if (arrived) {
        EXPECT_EQ(webtest::ReadFile((root / "out/args").string()), url + std::string(1, '\0'));
        EXPECT_FALSE(fs::exists(root / "out/done"));  // returned while the opener still runs
    }
    EXPECT_FALSE(fs::exists(root / "pwned"));
    std::ofstream(root / "out/release").put('\n');
    PumpUntil([&] { return fs::exists(root / "out/done"); }, 10000);
    setenv("PATH", oldPath.c_str(), 1);
    fs::remove_all(root);
}
