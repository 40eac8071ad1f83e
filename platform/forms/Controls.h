// The class library's components and controls: ownership, parent chains,
// the design properties the display back ends draw from (position, size,
// font, colour, caption, tab order), and the events the programs handle.
//
// Properties without side effects are plain public members.  Properties
// whose change has an effect (an event, the process's current directory, a
// restarted timer, a clamped value) are a getter and a Set... function.
#pragma once

#include "Classes.h"
#include "Rtf.h"
#include "SysUtils.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class TWinControl;
class TForm;

// ------------------------------------------------------------------ sets
// A small set of enumerators, as the class library's set types.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items) m_bits |= bit(e);
    }
    constexpr bool Contains(E e) const { return (m_bits & bit(e)) != 0; }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr TSet& operator<<(E e) {
        m_bits |= bit(e);
        return *this;
    }
    constexpr TSet& operator>>(E e) {
        m_bits &= ~bit(e);
        return *this;
    }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr unsigned bit(E e) { return 1u << static_cast<unsigned>(e); }
    unsigned m_bits = 0;
};

// ------------------------------------------------------------------ keys
enum TShiftStateItem { ssShift, ssAlt, ssCtrl };
using TShiftState = TSet<TShiftStateItem>;

// Virtual key codes; letters and digits are their upper-case ASCII codes.
constexpr uint16_t VK_TAB = 9;
constexpr uint16_t VK_RETURN = 13;
constexpr uint16_t VK_SHIFT = 16;
constexpr uint16_t VK_CONTROL = 17;
constexpr uint16_t VK_MENU = 18;
constexpr uint16_t VK_ESCAPE = 27;
constexpr uint16_t VK_SPACE = 32;
constexpr uint16_t VK_UP = 38;
constexpr uint16_t VK_DOWN = 40;
constexpr uint16_t VK_F1 = 112;
constexpr uint16_t VK_F4 = 115;

// --------------------------------------------------------------- events
using TNotifyEvent = std::function<void(TObject* Sender)>;
// A handler that sets Key to 0 consumes the key.
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;

// ---------------------------------------------------------- look and feel
// Colours as the class library keeps them: 0x00BBGGRR, or a system colour.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
constexpr TColor clWindow = static_cast<TColor>(0x80000005);
constexpr TColor clWindowText = static_cast<TColor>(0x80000008);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

struct TFont {
    std::string Name = "MS Sans Serif";
    int Height = -11;  // negative: character height in pixels
    TFontStyles Style;
    TColor Color = clWindowText;
    bool operator==(const TFont&) const = default;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TBevelCut { bvNone, bvLowered, bvRaised };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// ------------------------------------------------------------ exceptions
class EInvalidOperation : public Exception { public: using Exception::Exception; };
// A directory list moved to a directory that cannot be entered.
class EInOutError : public Exception { public: using Exception::Exception; };

// ------------------------------------------------------------ components
// Owns the components created with it as owner and deletes them, newest
// first, when it goes.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    std::string Name;
    int Tag = 0;

    TComponent* Owner() const { return m_owner; }
    int ComponentCount() const { return static_cast<int>(m_components.size()); }
    TComponent* Components(int index) const { return m_components.at(index); }
    // An owned component by name, without case; nullptr when none.
    TComponent* FindComponent(const std::string& name) const;

protected:
    void DestroyComponents();

private:
    TComponent* m_owner;
    std::vector<TComponent*> m_components;
};

// ------------------------------------------------------------- controls
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return m_parent; }
    // Joins the end of the parent's children (and, for a windowed control
    // whose TabOrder is unset, the end of its tab order).
    void SetParent(TWinControl* parent);
    // The form this control lies on (itself for a form); nullptr when none.
    TForm* ParentForm();

    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::string Caption;
    TColor Color = clBtnFace;
    bool Enabled = true;
    TAlign Align = alNone;
    // With ParentFont the control is drawn with its parent's font.
    TFont Font;
    bool ParentFont = true;
    void SetFont(const TFont& font) {
        Font = font;
        ParentFont = false;
    }
    const TFont& EffectiveFont() const;

    bool Visible() const { return m_bVisible; }
    virtual void SetVisible(bool visible) { m_bVisible = visible; }
    // Whether a user could reach it: visible and enabled, with every parent.
    bool CanTakeInput() const;
    // Why a user cannot reach it: "hidden", "disabled", or "" when they can.
    std::string InputRefusal() const;

    TNotifyEvent OnClick;
    virtual void Click();

    // Paint now, without dispatching input.
    void Repaint();
    void Refresh() { Repaint(); }
    virtual void Update() { Repaint(); }

private:
    friend class TWinControl;
    TWinControl* m_parent = nullptr;
    bool m_bVisible = true;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(m_controls.size()); }
    TControl* Controls(int index) const { return m_controls.at(index); }

    int TabOrder = -1;  // -1: takes its place at the end when parented
    bool TabStop = true;
    TKeyEvent OnKeyDown;

    // Whether the control can have the focus now.
    bool CanFocus() const { return TakesFocus() && CanTakeInput(); }
    // Gives it the focus on its form, when it can have it.
    void SetFocus();

    // Containers hold controls but take no focus themselves.
    virtual bool TakesFocus() const { return true; }
    // The control's own handling of a key nobody consumed; true when it used it.
    virtual bool DefaultKey(uint16_t key, TShiftState shift);

private:
    friend class TControl;
    std::vector<TControl*> m_controls;
};

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* AOwner);
    bool Transparent = false;
    bool AutoSize = true;
    bool WordWrap = false;
    TAlignment Alignment = taLeftJustify;
    TTextLayout Layout = tlTop;
};

// A click first hands the button's ModalResult to its form, then runs OnClick.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    int ModalResult = 0;
    bool Default = false;  // Return clicks it when no button has the focus
    bool Cancel = false;   // Escape clicks it
    void Click() override;
    bool DefaultKey(uint16_t key, TShiftState shift) override;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    std::string Text;
    bool ReadOnly = false;
    TBorderStyle BorderStyle = bsSingle;
    bool AutoSelect = true;
};

// Lines are logical lines: a word-wrapped memo does not split them at the wrap.
class TMemo : public TWinControl {
    TStringList m_lines;  // before Lines, which points to it

public:
    explicit TMemo(TComponent* AOwner);
    TStrings* const Lines = &m_lines;
    bool ReadOnly = false;
    TScrollStyle ScrollBars = ssNone;
    bool WordWrap = true;
    bool DefaultKey(uint16_t key, TShiftState shift) override;
};

// Lines hold the raw text; a text beginning "{\rtf" is shown as rich text.
class TRichEdit : public TMemo {
public:
    explicit TRichEdit(TComponent* AOwner);
    // What the user reads: the plain text of RTF, or the text itself.
    std::string PlainText() const;
};


class TCheckListBox : public TWinControl {
    class ItemList;
    std::unique_ptr<ItemList> m_items;  // before Items, which points to it

public:
    explicit TCheckListBox(TComponent* AOwner);
    ~TCheckListBox() override;
    // Clearing or deleting items drops their check marks and the selection.
    TStrings* const Items;
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    int ItemIndex() const { return m_itemIndex; }
    // No event; an index outside the items selects nothing.
    void SetItemIndex(int index);
    int ItemHeight = 13;
    TNotifyEvent OnClickCheck;

    // User input: a click on an item's text, and on its check box.
    void ClickItem(int index);
    void ClickCheckBox(int index);
    bool DefaultKey(uint16_t key, TShiftState shift) override;

private:
    void ToggleCheck(int index);
    int m_itemIndex = -1;
};

// Lists the machine's drive letters; starts on the process's current drive.
class TDriveComboBox : public TWinControl {
public:
    explicit TDriveComboBox(TComponent* AOwner);
    char Drive() const { return m_drive; }  // upper case
    // Fires OnChange when the letter differs (without case) from the present one.
    void SetDrive(char drive);
    // "c:", with " [LABEL]" for a ready fixed, RAM or CD drive.
    std::string Text() const { return DriveText(m_drive); }
    std::vector<std::string> ItemTexts() const;
    TNotifyEvent OnChange;
    // Up and Down choose the drive before or after the present one.
    bool DefaultKey(uint16_t key, TShiftState shift) override;

private:
    static std::string DriveText(char drive);
    char m_drive;
};

// Shows one directory; moving it moves the process's current directory.
class TDirectoryListBox : public TWinControl {
public:
    explicit TDirectoryListBox(TComponent* AOwner);
    // As the system reported it after the move.
    const std::string& Directory() const { return m_directory; }
    // Makes it the process's current directory and fires OnChange, also when
    // it is the directory already shown; "\" is the current drive's root.
    // Raises EInOutError when it cannot be entered.
    void SetDirectory(const std::string& directory);
    char Drive() const { return m_directory.empty() ? '\0' : m_directory[0]; }
    // Another drive: moves to that drive's own current directory, or to its
    // nearest ancestor that still exists.
    void SetDrive(char drive);
    // Rebuilds the entries and fires OnChange.
    void Update() override;
    // Full paths: the root, each ancestor, the directory, its sub-directories.
    std::vector<std::string> Entries() const;
    // How many of the entries lead to the directory: the root, the
    // ancestors and the directory itself.
    int OpenedEntries() const;
    // The selected entry; moving to a directory selects it.  Selecting opens
    // nothing and raises no event.
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int index);  // clamped to the entries
    int ItemHeight = 16;
    TNotifyEvent OnChange;

    // User input: open an entry (a sub-directory name, "..", or a full path).
    void OpenEntry(const std::string& entry);
    // Up and Down move the selection, Return opens the selected entry.
    bool DefaultKey(uint16_t key, TShiftState shift) override;

private:
    std::string m_directory;
    int m_itemIndex;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }
    void SetMin(int min);
    void SetMax(int max);
    void SetPosition(int position);  // clamped to Min..Max
    int Step = 10;
    bool Smooth = false;
    void StepIt() { StepBy(Step); }
    void StepBy(int delta) { SetPosition(m_position + delta); }
    bool TakesFocus() const override { return false; }

private:
    int m_min = 0, m_max = 100, m_position = 0;
};

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* AOwner);
    TAlignment Alignment = taCenter;
    TBevelCut BevelInner = bvNone;
    TBevelCut BevelOuter = bvRaised;
    bool Locked = false;
    bool TakesFocus() const override { return false; }
};

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    bool HorzScrollBarVisible = true;
    bool VertScrollBarVisible = true;
    bool TakesFocus() const override { return false; }
};

class TImage : public TControl {
public:
    explicit TImage(TComponent* AOwner);
    std::string Picture;  // the JPEG bytes; empty for none
    bool Stretch = false;
    bool IncrementalDisplay = false;
};

// Counts from its creation (or from being enabled); fires only when a
// message loop dispatches it.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return m_bEnabled; }
    void SetEnabled(bool enabled);  // a change restarts the interval
    uint32_t Interval() const { return m_interval; }
    void SetInterval(uint32_t interval);  // a change restarts the interval
    TNotifyEvent OnTimer;

    // For the message loops: the enabled timer due first (creation order
    // among equals), nullptr when none can fire.
    static TTimer* Earliest();
    uint32_t DueTick() const { return m_due; }
    // Starts the next interval, then runs OnTimer.
    void Fire();

private:
    void Restart();
    bool m_bEnabled = true;
    uint32_t m_interval = 1000;
    uint32_t m_due = 0;
};
