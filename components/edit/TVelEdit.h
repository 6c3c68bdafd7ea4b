#pragma once
// A single-line edit that completes what the user types from a list of known
// texts: on each key release the first entry of DataList that begins with the
// text is filled in, and the filled-in part is selected so that typing on
// overwrites it.
#include "platform/rtl/TStringList.h"
#include "platform/vcl/edit/TEdit.h"
#include <functional>
#include <memory>

using TVelSelectEvent = std::function<void(TObject* sender, AnsiString& SelText, int& SelPos)>;

class TVelEdit : public TEdit {
public:
    explicit TVelEdit(TComponent* owner = nullptr);

    bool ExitAfterTab() const { return FExitAfterTab; }
    void SetExitAfterTab(bool value) { FExitAfterTab = value; }
    bool OnlyIfUnequivocal() const { return FOnlyIfUnequivocal; }
    void SetOnlyIfUnequivocal(bool value) { FOnlyIfUnequivocal = value; }
    // The edit's own lists; assigning copies the texts, the caller keeps its list.
    TStrings* DataList() const { return FDataList.get(); }
    void SetDataList(const TStrings* value);
    TStrings* ExclusionList() const { return FExclusionList.get(); }
    void SetExclusionList(const TStrings* value);
    bool CaseSensitiveExlusion() const { return FCaseSensitiveExlusion; }
    void SetCaseSensitiveExlusion(bool value) { FCaseSensitiveExlusion = value; }
    bool CaseSensitiveData() const { return FCaseSensitiveData; }
    void SetCaseSensitiveData(bool value) { FCaseSensitiveData = value; }

    // Called with each completion before it is shown; may change both.
    TVelSelectEvent OnSelect;

    // Gives OnSelect its say over a completion; a subclass may override it
    // to adjust completions without the event.
    virtual AnsiString Select(const AnsiString& completed, int* selStart);

protected:
    void KeyUp(WORD& key, unsigned shift) override;
    void KeyDown(WORD& key, unsigned shift) override;
    void DoExit() override;

private:
    void Complete();

    bool FExitAfterTab { true };
    bool FOnlyIfUnequivocal { false };
    std::unique_ptr<TStringList> FDataList { std::make_unique<TStringList>() };
    std::unique_ptr<TStringList> FExclusionList { std::make_unique<TStringList>() };
    bool FCaseSensitiveExlusion { true };
    bool FCaseSensitiveData { false };
    int FSelStart { 0 };
};
