#include "components/html/TVelHTML.h"
#include "components/html/MarkerScan.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TListBox.h"
#include "platform/vcl/web/DocumentLoader.h"
#include "platform/vcl/web/EWebBrowserError.h"
#include "platform/win/shell/ShellAPI.h"
#include <sys/stat.h>

namespace {

bool hasPrefix(const AnsiString& text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameText(std::string_view(text).substr(0, prefix.size()), prefix);
}

bool isHtmlFile(const std::string& path)
{
    AnsiString lowered = LowerCase(path);
    bool html = false;
    for (std::string_view extension : { ".html", ".htm", ".xhtml" })
        if (lowered.size() > extension.size() && lowered.compare(lowered.size() - extension.size(), extension.size(), extension) == 0)
            html = true;
    struct stat st {};
    return html && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TStrings& checkedTarget(TStrings* list)
{
    if (!list)
        throw EWebBrowserError("No list to fill was given");
    return *list;
}

TStrings* itemsOf(TListBox* box)
{
    return box ? box->Items() : nullptr;
}

void pumpApplication()
{
    Application->ProcessMessages();
}

}

TVelHTML::TVelHTML(TComponent* Owner)
    : TComponent(Owner)
{
}

bool TVelHTML::IsOpenableUrl(const AnsiString& Url)
{
    for (char c : Url)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    for (std::string_view scheme : { "http://", "https://" })
        if (hasPrefix(Url, scheme))
            return Url.size() > scheme.size() && Url[scheme.size()] != '/';
    if (hasPrefix(Url, "mailto:"))
        return Url.size() > 7;
    if (hasPrefix(Url, "file:")) {
        std::string path = DocumentLoader::FilePath(Url);
        return !path.empty() && isHtmlFile(path);
    }
    return false;
}

void TVelHTML::CallExternUrl(const AnsiString& Url)
{
    if (!IsOpenableUrl(Url))
        return;
    ShellExecute(nullptr, "open", Url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TVelHTML::BrowseTo(const AnsiString& Url)
{
    if (!WebBrowser)
        throw EWebBrowserError("No web browser is bound to the component");
    WideString url = AnsiToWide(Url);
    OleVariant flags = OleVariant::Omitted();
    OleVariant targetFrameName = OleVariant::Omitted();
    OleVariant postData = OleVariant::Omitted();
    OleVariant headers = OleVariant::Omitted();
    WebBrowser->Navigate(url, &flags, &targetFrameName, &postData, &headers);
}

AnsiString TVelHTML::GetActiveImage(int, int)
{
    return AnsiString();
}

std::shared_ptr<IHTMLDocument2> TVelHTML::Document() const
{
    if (!WebBrowser)
        throw EWebBrowserError("No web browser is bound to the component");
    auto document = QueryInterface<IHTMLDocument2>(WebBrowser->Document());
    if (!document)
        throw EWebBrowserError("The web browser holds no document");
    return document;
}

std::shared_ptr<IHTMLElement> TVelHTML::Body() const
{
    auto body = Document()->body();
    if (!body)
        throw EWebBrowserError("The document has no body");
    return body;
}

AnsiString TVelHTML::GetTitel()
{
    return WideToAnsi(Document()->title());
}

AnsiString TVelHTML::GetBodyText()
{
    return WideToAnsi(Body()->innerText());
}

AnsiString TVelHTML::GetBodyHtml()
{
    return WideToAnsi(Body()->innerHTML());
}

bool TVelHTML::GetAllLinks(TStrings* List)
{
    TStrings& target = checkedTarget(List);
    return MarkerScan::Run(GetBodyHtml(), MarkerScan::Links(), target, pumpApplication);
}

bool TVelHTML::GetAllImages(TStrings* List)
{
    TStrings& target = checkedTarget(List);
    return MarkerScan::Run(GetBodyHtml(), MarkerScan::Images(), target, pumpApplication);
}

bool TVelHTML::GetAllVar(TStrings* List, const AnsiString& StartMarker, const AnsiString& ValueMarker, const AnsiString& EndMarker)
{
    TStrings& target = checkedTarget(List);
    // An empty start marker would match everywhere without moving on.
    if (StartMarker.empty())
        return false;
    return MarkerScan::Run(GetBodyHtml(), MarkerScan::Values(StartMarker, ValueMarker, EndMarker), target, pumpApplication);
}

bool TVelHTML::GetAllLinks(TListBox* ListBox) { return GetAllLinks(itemsOf(ListBox)); }
bool TVelHTML::GetAllImages(TListBox* ListBox) { return GetAllImages(itemsOf(ListBox)); }

bool TVelHTML::GetAllVar(TListBox* ListBox, const AnsiString& StartMarker, const AnsiString& ValueMarker, const AnsiString& EndMarker)
{
    return GetAllVar(itemsOf(ListBox), StartMarker, ValueMarker, EndMarker);
}
