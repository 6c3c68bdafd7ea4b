#pragma once
// The web document helper: opens addresses in the user's browser through the
// shell, drives a web browser control owned by the application, and reads
// the title, text, markup, link addresses, image sources and
// marker-delimited values of its document.
//
// Every operation on the browser needs WebBrowser set and, to read, a loaded
// document; otherwise it raises EWebBrowserError ("No web browser is bound to
// the component", "The web browser holds no document").
#include "platform/rtl/TComponent.h"
#include "platform/rtl/TStrings.h"
#include "platform/vcl/web/TCppWebBrowser.h"

class TListBox;

class TVelHTML : public TComponent {
public:
    explicit TVelHTML(TComponent* Owner);

    // The application's browser control; never owned, never set by the component.
    TCppWebBrowser* WebBrowser { nullptr };

    // Opens url in the user's default browser and returns without waiting.
    // Only http:, https: and mailto: addresses and file: addresses of HTML
    // documents are opened: the address may come from an untrusted page, so
    // programs, launchers and bare paths are refused, silently like any
    // failure to open.
    virtual void CallExternUrl(const AnsiString& Url);
    // Starts navigating the browser; does not wait for the page to load.
    void BrowseTo(const AnsiString& Url);
    AnsiString GetActiveImage(int X, int Y);

    AnsiString GetTitel();
    AnsiString GetBodyText();
    AnsiString GetBodyHtml();

    // Appends the address of every <A href="..."> to the list. True only when
    // the markup ends inside an address.
    bool GetAllLinks(TListBox* ListBox);
    bool GetAllLinks(TStrings* List);
    // Appends the src value that follows each <IMG ; true when one was started.
    bool GetAllImages(TListBox* ListBox);
    bool GetAllImages(TStrings* List);
    // Appends every value between ValueMarker and EndMarker after a
    // StartMarker; true when one was started. An empty StartMarker gives
    // false; an empty ValueMarker starts the value right after StartMarker.
    bool GetAllVar(TListBox* ListBox, const AnsiString& StartMarker, const AnsiString& ValueMarker, const AnsiString& EndMarker);
    bool GetAllVar(TStrings* List, const AnsiString& StartMarker, const AnsiString& ValueMarker, const AnsiString& EndMarker);

    // Whether an address is one CallExternUrl opens.
    static bool IsOpenableUrl(const AnsiString& Url);

private:
    std::shared_ptr<IHTMLDocument2> Document() const;
    std::shared_ptr<IHTMLElement> Body() const;
};
