#pragma once
// Settings of one programme as named string values in the per-user registry,
// under HKEY_CURRENT_USER\Software\[Firmenname\]Programmname. The component
// holds no key open between calls. It also saves and restores groups of
// option controls as the position of the selected member, and answers where
// the user's special folders are.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TComponent.h"
#include <cstddef>
#include <initializer_list>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

class TRadioButton;
class TCheckBox;

namespace VelRegDetail {

// 2 to 10 members convertible to Member, then one int: the default position.
template <typename Member, typename... Args>
consteval bool IsGroupThenDefault()
{
    constexpr size_t count = sizeof...(Args);
    if constexpr (count < 3 || count > 11) {
        return false;
    } else {
        using Tuple = std::tuple<Args...>;
        using Last = std::remove_cvref_t<std::tuple_element_t<count - 1, Tuple>>;
        return []<size_t... I>(std::index_sequence<I...>) {
            return (std::is_convertible_v<std::tuple_element_t<I, Tuple>, Member> && ...);
        }(std::make_index_sequence<count - 1> {})
            && std::is_integral_v<Last> && !std::is_same_v<Last, bool>;
    }
}

template <typename Member, typename... Args>
constexpr bool IsGroup = sizeof...(Args) >= 2 && sizeof...(Args) <= 10 && (std::is_convertible_v<Args, Member> && ...);

template <typename Member, typename Tuple, size_t... I>
std::vector<Member> Leading(const Tuple& all, std::index_sequence<I...>)
{
    return { static_cast<Member>(std::get<I>(all))... };
}

} // namespace VelRegDetail

class TVelReg : public TComponent {
public:
    explicit TVelReg(TComponent* owner = nullptr);

    const AnsiString& Programmname() const { return FProgrammname; }
    void SetProgrammname(const AnsiString& value);
    const AnsiString& Firmenname() const { return FFirmenname; }
    void SetFirmenname(const AnsiString& value);

    // "Software\" + [Firmenname + "\"] + Programmname, names used unchanged.
    AnsiString ProgrammKey() const;

    // Writes value as the string value name, creating the key when missing.
    // Raises ERegistryException "Failed to set data for '%s'".
    virtual void Push(AnsiString name, AnsiString value);
    // The string value name, "" when the key or the value is missing. A
    // value of another type raises "Invalid data type for '%s'".
    virtual AnsiString Pop(AnsiString name);

    // True when the first character is a decimal digit.
    bool IsInt(AnsiString s);
    // The running executable's folder with a trailing "/"; "" when unknown.
    AnsiString AppDir();

    // A group of 2 to 10 radio buttons or flags is stored as the position of
    // its selected member ("1".."10", the last selected one wins), "0" when
    // none is. Restoring selects the stored member; a missing, "0" or
    // malformed text selects the default position when it lies in 1..N.
    template <typename... Buttons>
        requires VelRegDetail::IsGroup<TRadioButton*, Buttons...>
    void PushRadioButtons(AnsiString name, Buttons... buttons)
    {
        PushRadioButtonList(name, { static_cast<TRadioButton*>(buttons)... });
    }
    template <typename... Args>
        requires(VelRegDetail::IsGroupThenDefault<TRadioButton*, Args...>())
    void PopRadioButtons(AnsiString name, Args... args)
    {
        auto all = std::make_tuple(args...);
        constexpr size_t count = sizeof...(Args) - 1;
        PopRadioButtonList(name, VelRegDetail::Leading<TRadioButton*>(all, std::make_index_sequence<count> {}),
            static_cast<int>(std::get<count>(all)));
    }
    template <typename... Flags>
        requires VelRegDetail::IsGroup<bool*, Flags...>
    void PushBool(AnsiString name, Flags... flags)
    {
        PushBoolList(name, { static_cast<bool*>(flags)... });
    }
    // Sets the stored member's flag to true; never sets a flag to false.
    template <typename... Args>
        requires(VelRegDetail::IsGroupThenDefault<bool*, Args...>())
    void PopBool(AnsiString name, Args... args)
    {
        auto all = std::make_tuple(args...);
        constexpr size_t count = sizeof...(Args) - 1;
        PopBoolList(name, VelRegDetail::Leading<bool*>(all, std::make_index_sequence<count> {}),
            static_cast<int>(std::get<count>(all)));
    }

    // "1" when checked, else "0".
    void PushCheckBox(AnsiString name, TCheckBox* box);
    // True exactly when the stored text is "1"; the box is not touched and
    // flag does not change the result.
    bool PopCheckBox(AnsiString name, bool flag);

    // The shell's folders, each ending in "/"; "" for a folder the shell does
    // not record.
    AnsiString GetShellFolder(AnsiString name);
    AnsiString GetDirCache();
    AnsiString GetDirDesktop();
    AnsiString GetDirFavorites();
    AnsiString GetDirFonts();
    AnsiString GetDirNetHood();
    AnsiString GetDirPersonal();
    AnsiString GetDirPrograms();
    AnsiString GetDirSendTo();
    AnsiString GetDirStartMenu();
    AnsiString GetDirStartup();
    AnsiString GetDirAppData();
    AnsiString GetDirQuickLaunch();

    // The list forms behind the group templates.
    void PushRadioButtonList(const AnsiString& name, const std::vector<TRadioButton*>& buttons);
    void PopRadioButtonList(const AnsiString& name, const std::vector<TRadioButton*>& buttons, int defaultPosition);
    void PushBoolList(const AnsiString& name, const std::vector<bool*>& flags);
    void PopBoolList(const AnsiString& name, const std::vector<bool*>& flags, int defaultPosition);

private:
    // Pushes the position of the last selected member, "0" for none.
    void PushSelection(const AnsiString& name, const std::vector<bool>& selected);
    // The stored position for a group of count members after the fall-backs:
    // 1..count, or 0 when nothing is to be selected.
    int PopSelection(const AnsiString& name, size_t count, int defaultPosition);
    // A folder value of one of the shell's keys, with its trailing "/".
    AnsiString ReadFolder(const AnsiString& key, const AnsiString& name);

    AnsiString FProgrammname;
    AnsiString FFirmenname;
};
