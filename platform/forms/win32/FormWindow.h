// The native window of one form: the system's controls for the model's
// windowed controls, kept in step with the model; the form and its panels
// paint labels, pictures and panel captions themselves.  What the user does
// in these windows is posted to the display as user actions on the model.
#pragma once

#include "Api.h"

#include <map>
#include <string>
#include <vector>

namespace forms::win32 {

class Win32Display;

class FormWindow {
public:
    // Once, before the first window.
    static void registerClasses();

    FormWindow(Win32Display& display, TForm& form);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }
    TForm& form() const { return m_form; }

    // Takes everything from the model: caption, size, controls, contents.
    void sync();
    // Placed as the design says, shown on top and painted at once.
    void show();
    void hide();
    bool shown() const;
    // Paints what is invalid now, without taking any input.
    void paintNow();
    // Gives the keyboard focus to the model's active control.
    void syncFocus();
    // The control of one of this form's native windows; nullptr for the
    // form's own window and for windows not of this form.
    TControl* controlOf(HWND hwnd) const;
    // The native window of one of this form's windowed controls, nullptr
    // for others.
    HWND nativeOf(const TControl& control) const;

    // What a person does to a control, sent as the messages its window gets
    // then; what the window makes of them is posted as user actions.
    void press(TButton& button);
    void pressItem(TCheckListBox& list, int index, bool onCheckBox);
    // Edit fields take the text as their window text, memos as typed over
    // everything they show (lines separated by line feeds).
    void type(TWinControl& field, const std::string& text);
    void pickDrive(TDriveComboBox& box, char drive);
    // A double click on the line that shows the entry (a sub-directory
    // name, "..", or a full path); false when no line shows it.
    bool openLine(TDirectoryListBox& list, const std::string& entry);

private:
    // What a windowed control's native window shows now.
    struct Native {
        HWND hwnd = nullptr;
        std::string text;
        std::vector<std::string> items;  // list and combo box lines
        std::vector<std::string> entries;  // directory list: the full path of each line
        std::vector<bool> checks;
        int selected = -2;
        int min = 0, max = -1, position = -1;
        HFONT font = nullptr;
        bool visible = false;
        bool enabled = true;
        RECT place{};
        std::string look;  // containers: what their painting shows
        int scrollTop = 0;       // scroll boxes: how far their contents are scrolled up
        int scrollContent = -1;  // and the height of their contents
    };
    struct Bitmap {
        int width = 0, height = 0;
        std::vector<unsigned char> bgra;
    };

    static LRESULT CALLBACK containerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK checkListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self);
    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TWinControl* containerOf(HWND hwnd) const;

    HWND create(TWinControl& control, HWND parent);
    void syncChildren(TWinControl& parent, HWND parentWindow, std::string& shownLook);
    // Placed in its parent, whose contents are scrolled up by `scrolled`.
    void syncWindow(TWinControl& control, Native& native, int scrolled);
    void syncScrollBar(TScrollBox& box, Native& native);
    // The scroll box shows its contents from `top` on (clamped).
    void scrollTo(TScrollBox& box, int top);
    void scrollByBar(TScrollBox& box, int code);
    void scrollIntoView(TScrollBox& box, const TControl& child);
    void syncContent(TWinControl& control, Native& native);
    void syncList(HWND hwnd, Native& native, const std::vector<std::string>& items, bool combo);
    void showRichText(HWND hwnd, const TRichEdit& rich);

    void paint(TWinControl& container, HWND hwnd);
    void drawImage(HDC dc, const TImage& image);
    Bitmap& bitmapOf(const TImage& image);
    void drawCheckItem(const DRAWITEMSTRUCT& item);
    void command(HWND child, int code);
    // The notification a control sends its parent.
    void notifyParent(HWND child, int code);
    int lineOf(const TDirectoryListBox& list, const std::string& entry) const;
    void pressCheckList(HWND hwnd, int x, int y);
    void post(std::function<void()> action);

    Win32Display& m_display;
    TForm& m_form;
    HWND m_hwnd = nullptr;
    std::map<const TControl*, Native> m_natives;
    std::map<HWND, TControl*> m_controls;
    std::map<const TImage*, Bitmap> m_bitmaps;
    std::string m_caption;
    std::string m_formLook;
    int m_nextId = 100;
    bool m_syncing = false;  // notifications of our own changes are not the user's
    bool m_closing = false;
};

}  // namespace forms::win32
