#include "FormWindow.h"

#include "Capture.h"

#include "Text1252.h"
#include "Win32Display.h"
#include "picture/Jpeg.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <tuple>

namespace forms::win32 {

namespace {

const char* const kFormClass = "BrimlundForm";
const char* const kPanelClass = "BrimlundPanel";
// A drive box's own height is the font's; the window's includes the list.
constexpr int kDropDownHeight = 200;
// What a scroll box's arrows move, in pixels; a wheel's notch moves three.
constexpr int kScrollLine = 8;

COLORREF rgbOf(TColor color) {
    return color < 0 ? GetSysColor(color & 0xFF) : static_cast<COLORREF>(color);
}

HBRUSH brushOf(TColor color) {
    static std::map<COLORREF, HBRUSH> brushes;
    HBRUSH& brush = brushes[rgbOf(color)];
    if (!brush) brush = CreateSolidBrush(rgbOf(color));
    return brush;
}

HFONT fontOf(const TFont& font) {
    static std::map<std::tuple<std::string, int, bool, bool, bool, bool>, HFONT> fonts;
    const bool bold = font.Style.Contains(fsBold), italic = font.Style.Contains(fsItalic);
    const bool underline = font.Style.Contains(fsUnderline), strikeOut = font.Style.Contains(fsStrikeOut);
    HFONT& made = fonts[{font.Name, font.Height, bold, italic, underline, strikeOut}];
    if (!made)
        made = CreateFontA(font.Height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, underline, strikeOut,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, font.Name.c_str());
    return made;
}

std::string windowText(HWND hwnd) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A memo's lines as one edit text: CR LF between them, none after the last.
std::string memoText(const TStrings& lines) {
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) text += (i ? "\r\n" : "") + lines.Strings(i);
    return text;
}

UINT alignmentFlags(TAlignment alignment) {
    return alignment == taCenter ? DT_CENTER : alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
}

// Text in a box the way labels and panel captions are drawn: the box's
// alignment, "&" marks as underlined mnemonics, wrapped when asked.
void drawText(HDC dc, const std::string& text, RECT box, TAlignment alignment, TTextLayout layout, bool wrap,
              TColor color, UINT extraFlags = 0) {
    const UINT flags = alignmentFlags(alignment) | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : 0) | extraFlags;
    RECT measured = box;
    DrawTextA(dc, text.c_str(), -1, &measured, flags | DT_CALCRECT);
    const int spare = (box.bottom - box.top) - (measured.bottom - measured.top);
    if (layout == tlCenter) box.top += spare / 2;
    if (layout == tlBottom) box.top += spare;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, rgbOf(color));
    DrawTextA(dc, text.c_str(), -1, &box, flags);
}

void drawLabel(HDC dc, const TLabel& label) {
    const TFont& font = label.EffectiveFont();
    HGDIOBJ previous = SelectObject(dc, fontOf(font));
    RECT box{label.Left, label.Top, label.Left + label.Width, label.Top + label.Height};
    const bool autoSize = label.AutoSize && !label.WordWrap;
    if (autoSize) {
        RECT measured = box;
        DrawTextA(dc, label.Caption.c_str(), -1, &measured, DT_EXPANDTABS | DT_CALCRECT);
        box.right = std::max(box.right, measured.right);
        box.bottom = std::max(box.bottom, measured.bottom);
    }
    if (!label.Transparent) FillRect(dc, &box, brushOf(label.Color));
    drawText(dc, label.Caption, box, label.Alignment, label.Layout, label.WordWrap,
             label.Enabled ? font.Color : static_cast<TColor>(0x80000000 | COLOR_GRAYTEXT),
             autoSize ? DT_NOCLIP : 0);  // a label sized to its text shows all of it
    SelectObject(dc, previous);
}

void drawBevel(HDC dc, RECT& box, TBevelCut cut, bool outer) {
    if (cut == bvNone) return;
    const UINT edge = outer ? (cut == bvRaised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER)
                            : (cut == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENINNER);
    DrawEdge(dc, &box, edge, BF_RECT | BF_ADJUST);
}

const Picture& decoded(const std::string& jpeg) {
    static std::map<std::string, Picture> pictures;
    auto found = pictures.find(jpeg);
    if (found == pictures.end()) found = pictures.emplace(jpeg, decodeJpeg(jpeg)).first;
    return found->second;
}

int depthOf(const std::string& path) {
    return path.size() <= 3 ? 0 : static_cast<int>(std::count(path.begin(), path.end(), '\\'));
}

// A directory list's lines: the root, the ancestors and the directory, its
// sub-directories, each indented by its depth.
std::vector<std::string> directoryLines(const std::vector<std::string>& entries) {
    std::vector<std::string> lines;
    for (const std::string& entry : entries) {
        const std::string name = entry.size() <= 3 ? entry : entry.substr(entry.rfind('\\') + 1);
        lines.push_back(std::string(2 * static_cast<std::size_t>(depthOf(entry)), ' ') + name);
    }
    return lines;
}

int indexOf(const std::vector<std::string>& items, const std::string& wanted) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (win::text::equalNoCase(items[i], wanted)) return static_cast<int>(i);
    return -1;
}

}  // namespace

void FormWindow::registerClasses() {
    WNDCLASSA form{};
    form.lpfnWndProc = containerProc;
    form.hInstance = GetModuleHandleA(nullptr);
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    form.lpszClassName = kFormClass;
    RegisterClassA(&form);
    WNDCLASSA panel = form;
    panel.hIcon = nullptr;
    panel.lpszClassName = kPanelClass;
    RegisterClassA(&panel);
}

FormWindow::FormWindow(Win32Display& display, TForm& form) : m_display(display), m_form(form) {
    DWORD style = WS_POPUP | WS_CLIPCHILDREN, exStyle = 0;
    if (form.BorderStyle != bsNone) style |= WS_CAPTION;
    if (form.BorderStyle == bsSizeable) style |= WS_THICKFRAME;
    if (form.BorderStyle != bsNone && form.BorderIcons.Contains(biSystemMenu)) {
        style |= WS_SYSMENU;
        if (form.BorderIcons.Contains(biMinimize)) style |= WS_MINIMIZEBOX;
        if (form.BorderIcons.Contains(biMaximize)) style |= WS_MAXIMIZEBOX;
    }
    if (form.BorderStyle == bsDialog) exStyle |= WS_EX_DLGMODALFRAME;
    if (form.FormStyle == fsStayOnTop) exStyle |= WS_EX_TOPMOST;
    m_hwnd = CreateWindowExA(exStyle, kFormClass, "", style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), this);
}

FormWindow::~FormWindow() {
    m_closing = true;
    DestroyWindow(m_hwnd);
}

// ---------------------------------------------------------------- sync
void FormWindow::sync() {
    m_syncing = true;
    if (m_caption != m_form.Caption) {
        m_caption = m_form.Caption;
        SetWindowTextA(m_hwnd, m_caption.c_str());
    }
    RECT outer{0, 0, m_form.ClientWidth > 0 ? m_form.ClientWidth : m_form.Width,
               m_form.ClientHeight > 0 ? m_form.ClientHeight : m_form.Height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_EXSTYLE)));
    RECT now;
    GetWindowRect(m_hwnd, &now);
    if (now.right - now.left != outer.right - outer.left || now.bottom - now.top != outer.bottom - outer.top)
        SetWindowPos(m_hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    syncChildren(m_form, m_hwnd, m_formLook);
    m_syncing = false;
}

namespace {

// What a container paints itself; a change repaints it.
std::string lookOf(const TWinControl& container) {
    std::string look = container.Caption + '\x01' + std::to_string(container.Color) + '\x01' +
                       std::to_string(container.Enabled);
    for (int i = 0; i < container.ControlCount(); ++i) {
        const TControl& child = *container.Controls(i);
        if (dynamic_cast<const TWinControl*>(&child)) continue;
        look += '\x02' + child.Caption + '\x01' + std::to_string(child.Visible()) + std::to_string(child.Enabled) +
                '\x01' + std::to_string(child.Left) + ',' + std::to_string(child.Top) + ',' +
                std::to_string(child.Width) + ',' + std::to_string(child.Height) + ',' +
                std::to_string(child.EffectiveFont().Color);
        if (auto* image = dynamic_cast<const TImage*>(&child)) look += std::to_string(image->Picture.size());
    }
    return look;
}

}  // namespace

void FormWindow::syncChildren(TWinControl& parent, HWND parentWindow, std::string& shownLook) {
    const auto parentNative = m_natives.find(&parent);
    const int scrolled = parentNative == m_natives.end() ? 0 : parentNative->second.scrollTop;
    for (int i = 0; i < parent.ControlCount(); ++i) {
        auto* control = dynamic_cast<TWinControl*>(parent.Controls(i));
        if (!control) continue;
        Native& native = m_natives[control];
        if (!native.hwnd) {
            native.hwnd = create(*control, parentWindow);
            m_controls[native.hwnd] = control;
        }
        syncWindow(*control, native, scrolled);
        syncContent(*control, native);
        if (dynamic_cast<TPanel*>(control) || dynamic_cast<TScrollBox*>(control))
            syncChildren(*control, native.hwnd, native.look);
        if (auto* box = dynamic_cast<TScrollBox*>(control)) syncScrollBar(*box, native);
    }
    const std::string look = lookOf(parent);
    if (look != shownLook) {
        shownLook = look;
        InvalidateRect(parentWindow, nullptr, TRUE);
    }
}

HWND FormWindow::create(TWinControl& control, HWND parent) {
    const char* windowClass = kPanelClass;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, exStyle = 0;
    if (control.TabStop) style |= WS_TABSTOP;
    if (auto* button = dynamic_cast<TButton*>(&control)) {
        windowClass = "BUTTON";
        style |= button->Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    } else if (auto* memo = dynamic_cast<TMemo*>(&control)) {
        const bool rich = dynamic_cast<TRichEdit*>(&control) != nullptr;
        windowClass = rich ? RICHEDIT_CLASSA : "EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | (rich ? 0 : ES_WANTRETURN) | (memo->ReadOnly ? ES_READONLY : 0);
        if (!memo->WordWrap) style |= ES_AUTOHSCROLL;
        if (memo->ScrollBars == ssVertical || memo->ScrollBars == ssBoth) style |= WS_VSCROLL;
        if (memo->ScrollBars == ssHorizontal || memo->ScrollBars == ssBoth) style |= WS_HSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
    } else if (auto* edit = dynamic_cast<TEdit*>(&control)) {
        windowClass = "EDIT";
        style |= ES_AUTOHSCROLL | (edit->ReadOnly ? ES_READONLY : 0);
        if (edit->BorderStyle != bsNone) exStyle |= WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<TCheckListBox*>(&control)) {
        windowClass = "LISTBOX";
        style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<TDirectoryListBox*>(&control)) {
        windowClass = "LISTBOX";
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<TDriveComboBox*>(&control)) {
        windowClass = "COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL;
    } else if (auto* bar = dynamic_cast<TProgressBar*>(&control)) {
        windowClass = PROGRESS_CLASSA;
        if (bar->Smooth) style |= PBS_SMOOTH;
    } else {
        style |= WS_CLIPCHILDREN;
        if (auto* box = dynamic_cast<TScrollBox*>(&control)) {
            exStyle |= WS_EX_CLIENTEDGE;
            if (box->VertScrollBarVisible) style |= WS_VSCROLL;
        }
    }
    HWND hwnd = CreateWindowExA(exStyle, windowClass, "", style, control.Left, control.Top, control.Width,
                                control.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(m_nextId++)),
                                GetModuleHandleA(nullptr), this);
    // The class library stacks later controls over earlier ones.
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (auto* list = dynamic_cast<TCheckListBox*>(&control)) {
        SendMessageA(hwnd, LB_SETITEMHEIGHT, 0, list->ItemHeight);
        SetWindowSubclass(hwnd, checkListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    return hwnd;
}

void FormWindow::syncWindow(TWinControl& control, Native& native, int scrolled) {
    const int extra = dynamic_cast<TDriveComboBox*>(&control) ? kDropDownHeight : 0;
    const int top = control.Top - scrolled;
    const RECT place{control.Left, top, control.Left + std::max(control.Width, 1),
                     top + std::max(control.Height, 1) + extra};
    if (!EqualRect(&place, &native.place)) {
        native.place = place;
        SetWindowPos(native.hwnd, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (control.Visible() != native.visible) {
        native.visible = control.Visible();
        ShowWindow(native.hwnd, native.visible ? SW_SHOWNA : SW_HIDE);
    }
    if (control.Enabled != native.enabled) {
        native.enabled = control.Enabled;
        EnableWindow(native.hwnd, native.enabled);
    }
    HFONT font = fontOf(control.EffectiveFont());
    if (font != native.font) {
        native.font = font;
        SendMessageA(native.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

// ---------------------------------------------------------- scroll boxes
namespace {

int contentHeight(const TScrollBox& box) {
    int height = 0;
    for (int i = 0; i < box.ControlCount(); ++i)
        if (const TControl& child = *box.Controls(i); child.Visible()) height = std::max(height, child.Top + child.Height);
    return height;
}

int clientHeight(HWND hwnd) {
    RECT inside;
    GetClientRect(hwnd, &inside);
    return inside.bottom;
}

}  // namespace

// The bar shows when the contents are taller than the box.
void FormWindow::syncScrollBar(TScrollBox& box, Native& native) {
    const int content = box.VertScrollBarVisible ? contentHeight(box) : 0;
    if (content == native.scrollContent) return;
    native.scrollContent = content;
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE, 0, std::max(content - 1, 0),
                    static_cast<UINT>(clientHeight(native.hwnd)), 0, 0};
    SetScrollInfo(native.hwnd, SB_VERT, &info, TRUE);
    scrollTo(box, native.scrollTop);
}

void FormWindow::scrollTo(TScrollBox& box, int top) {
    Native& native = m_natives[&box];
    top = std::clamp(top, 0, std::max(native.scrollContent - clientHeight(native.hwnd), 0));
    if (top == native.scrollTop) return;
    native.scrollTop = top;
    SetScrollPos(native.hwnd, SB_VERT, top, TRUE);
    const bool syncing = m_syncing;
    m_syncing = true;
    for (int i = 0; i < box.ControlCount(); ++i)
        if (auto* child = dynamic_cast<TWinControl*>(box.Controls(i))) syncWindow(*child, m_natives[child], top);
    m_syncing = syncing;
    InvalidateRect(native.hwnd, nullptr, TRUE);
}

void FormWindow::scrollByBar(TScrollBox& box, int code) {
    const Native& native = m_natives[&box];
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(native.hwnd, SB_VERT, &info);
    const int page = static_cast<int>(info.nPage);
    switch (code) {
        case SB_LINEUP: return scrollTo(box, native.scrollTop - kScrollLine);
        case SB_LINEDOWN: return scrollTo(box, native.scrollTop + kScrollLine);
        case SB_PAGEUP: return scrollTo(box, native.scrollTop - page);
        case SB_PAGEDOWN: return scrollTo(box, native.scrollTop + page);
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: return scrollTo(box, info.nTrackPos);
        case SB_TOP: return scrollTo(box, 0);
        case SB_BOTTOM: return scrollTo(box, info.nMax);
        default: return;
    }
}

// As the class library does for a control that gets the focus.
void FormWindow::scrollIntoView(TScrollBox& box, const TControl& child) {
    const Native& native = m_natives[&box];
    const int visible = clientHeight(native.hwnd);
    int top = native.scrollTop;
    if (child.Top < top) top = child.Top;
    if (child.Top + child.Height > top + visible) top = child.Top + child.Height - visible;
    scrollTo(box, top);
}

void FormWindow::syncContent(TWinControl& control, Native& native) {
    HWND hwnd = native.hwnd;
    if (auto* rich = dynamic_cast<TRichEdit*>(&control)) {
        const std::string text = rich->Lines->Text();
        if (text == native.text) return;
        native.text = text;
        showRichText(hwnd, *rich);
    } else if (auto* memo = dynamic_cast<TMemo*>(&control)) {
        const std::string text = memoText(*memo->Lines);
        if (text == native.text) return;
        native.text = text;
        SetWindowTextA(hwnd, text.c_str());
    } else if (auto* edit = dynamic_cast<TEdit*>(&control)) {
        if (edit->Text == native.text) return;
        native.text = edit->Text;
        SetWindowTextA(hwnd, edit->Text.c_str());
    } else if (dynamic_cast<TButton*>(&control) || dynamic_cast<TPanel*>(&control)) {
        if (control.Caption == native.text) return;
        native.text = control.Caption;
        if (dynamic_cast<TButton*>(&control)) SetWindowTextA(hwnd, control.Caption.c_str());
    } else if (auto* list = dynamic_cast<TCheckListBox*>(&control)) {
        std::vector<std::string> items;
        std::vector<bool> checks;
        for (int i = 0; i < list->Items->Count(); ++i) {
            items.push_back(list->Items->Strings(i));
            checks.push_back(list->Checked(i));
        }
        syncList(hwnd, native, items, false);
        if (checks != native.checks) {
            native.checks = checks;
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        if (list->ItemIndex() != native.selected) {
            native.selected = list->ItemIndex();
            SendMessageA(hwnd, LB_SETCURSEL, static_cast<WPARAM>(native.selected), 0);
        }
    } else if (auto* directories = dynamic_cast<TDirectoryListBox*>(&control)) {
        native.entries = directories->Entries();
        syncList(hwnd, native, directoryLines(native.entries), false);
        if (directories->ItemIndex() != native.selected) {
            native.selected = directories->ItemIndex();
            SendMessageA(hwnd, LB_SETCURSEL, static_cast<WPARAM>(native.selected), 0);
        }
    } else if (auto* drives = dynamic_cast<TDriveComboBox*>(&control)) {
        syncList(hwnd, native, drives->ItemTexts(), true);
        const int current = indexOf(native.items, drives->Text());
        if (current != native.selected) {
            native.selected = current;
            SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
        }
    } else if (auto* bar = dynamic_cast<TProgressBar*>(&control)) {
        if (bar->Min() != native.min || bar->Max() != native.max) {
            native.min = bar->Min();
            native.max = bar->Max();
            SendMessageA(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(native.min), native.max);
        }
        if (bar->Position() != native.position) {
            native.position = bar->Position();
            SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(native.position), 0);
        }
    }
}

void FormWindow::syncList(HWND hwnd, Native& native, const std::vector<std::string>& items, bool combo) {
    if (items == native.items) return;
    native.items = items;
    native.selected = -2;
    SendMessageA(hwnd, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageA(hwnd, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

// The project's own RTF reader decides the runs and their styles; the
// rich-edit control only shows them.
void FormWindow::showRichText(HWND hwnd, const TRichEdit& rich) {
    const std::string text = rich.Lines->Text();
    const std::vector<rtf::Run> runs = rtf::isRtf(text) ? rtf::read(text) : std::vector<rtf::Run>{{text}};
    const TFont& font = rich.EffectiveFont();
    SendMessageA(hwnd, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(rgbOf(rich.Color)));
    SetWindowTextA(hwnd, "");
    for (const rtf::Run& run : runs) {
        CHARFORMAT2A format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR | CFM_SIZE | CFM_FACE;
        format.dwEffects = (run.bold ? CFE_BOLD : 0) | (run.italic ? CFE_ITALIC : 0) |
                           (run.underline ? CFE_UNDERLINE : 0) | (run.color == rtf::kAutoColor ? CFE_AUTOCOLOR : 0);
        // Twips: a half point is ten, a pixel (96 per inch) fifteen.
        format.yHeight = run.halfPoints > 0 ? run.halfPoints * 10 : std::abs(font.Height) * 15;
        format.crTextColor = run.color == rtf::kAutoColor ? 0 : static_cast<COLORREF>(run.color);
        lstrcpynA(format.szFaceName, font.Name.c_str(), LF_FACESIZE);
        std::string shown = run.text;
        std::replace(shown.begin(), shown.end(), '\n', '\r');
        SendMessageA(hwnd, EM_SETSEL, INT_MAX, INT_MAX);
        SendMessageA(hwnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        SendMessageA(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    SendMessageA(hwnd, EM_SETSEL, 0, 0);
    SendMessageA(hwnd, WM_VSCROLL, SB_TOP, 0);
}

// --------------------------------------------------------- on screen
void FormWindow::show() {
    RECT outer;
    GetWindowRect(m_hwnd, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    int x = m_form.Left, y = m_form.Top;
    if (m_form.Position == poScreenCenter) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    SetWindowPos(m_hwnd, m_form.FormStyle == fsStayOnTop ? HWND_TOPMOST : HWND_TOP, x, y, width, height,
                 SWP_SHOWWINDOW);
    SetForegroundWindow(m_hwnd);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void FormWindow::hide() { ShowWindow(m_hwnd, SW_HIDE); }

bool FormWindow::shown() const { return IsWindowVisible(m_hwnd) != 0; }

void FormWindow::paintNow() { RedrawWindow(m_hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

void FormWindow::syncFocus() {
    if (!shown()) return;
    TWinControl* active = m_form.ActiveControl && m_form.ActiveControl->CanFocus() ? m_form.ActiveControl : nullptr;
    const auto found = active ? m_natives.find(active) : m_natives.end();
    HWND target = found != m_natives.end() ? found->second.hwnd : m_hwnd;
    if (GetFocus() == target) return;
    SetFocus(target);
    if (auto* box = active ? dynamic_cast<TScrollBox*>(active->Parent()) : nullptr) scrollIntoView(*box, *active);
    if (auto* edit = dynamic_cast<TEdit*>(active); edit && edit->AutoSelect) SendMessageA(target, EM_SETSEL, 0, -1);
}

TControl* FormWindow::controlOf(HWND hwnd) const {
    const auto found = m_controls.find(hwnd);
    return found == m_controls.end() ? nullptr : found->second;
}

HWND FormWindow::nativeOf(const TControl& control) const {
    const auto found = m_natives.find(&control);
    return found == m_natives.end() ? nullptr : found->second.hwnd;
}

TWinControl* FormWindow::containerOf(HWND hwnd) const {
    return hwnd == m_hwnd ? &m_form : dynamic_cast<TWinControl*>(controlOf(hwnd));
}

// ------------------------------------------------------------ painting
void FormWindow::paint(TWinControl& container, HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT box;
    GetClientRect(hwnd, &box);
    FillRect(dc, &box, brushOf(container.Color));
    if (dynamic_cast<TScrollBox*>(&container)) SetViewportOrgEx(dc, 0, -m_natives[&container].scrollTop, nullptr);
    if (auto* panel = dynamic_cast<TPanel*>(&container)) {
        drawBevel(dc, box, panel->BevelOuter, true);
        drawBevel(dc, box, panel->BevelInner, false);
        HGDIOBJ previous = SelectObject(dc, fontOf(panel->EffectiveFont()));
        drawText(dc, panel->Caption, box, panel->Alignment, tlCenter, false, panel->EffectiveFont().Color);
        SelectObject(dc, previous);
    }
    for (int i = 0; i < container.ControlCount(); ++i) {
        const TControl& child = *container.Controls(i);
        if (!child.Visible()) continue;
        if (auto* image = dynamic_cast<const TImage*>(&child)) drawImage(dc, *image);
        if (auto* label = dynamic_cast<const TLabel*>(&child)) drawLabel(dc, *label);
    }
    EndPaint(hwnd, &paint);
}

FormWindow::Bitmap& FormWindow::bitmapOf(const TImage& image) {
    const Picture& picture = decoded(image.Picture);
    const int width = image.Stretch ? image.Width : picture.width;
    const int height = image.Stretch ? image.Height : picture.height;
    Bitmap& bitmap = m_bitmaps[&image];
    if (bitmap.width == width && bitmap.height == height) return bitmap;
    const Picture shown = image.Stretch ? scaled(picture, width, height) : picture;
    bitmap = {shown.width, shown.height, {}};
    bitmap.bgra.reserve(shown.rgb.size() / 3 * 4);
    for (std::size_t at = 0; at + 2 < shown.rgb.size(); at += 3)
        bitmap.bgra.insert(bitmap.bgra.end(), {shown.rgb[at + 2], shown.rgb[at + 1], shown.rgb[at], 0});
    return bitmap;
}

void FormWindow::drawImage(HDC dc, const TImage& image) {
    if (image.Picture.empty()) return;
    const Bitmap& bitmap = bitmapOf(image);
    if (bitmap.bgra.empty()) return;
    const BITMAPINFO info = topDownBgra(bitmap.width, bitmap.height);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, image.Left, image.Top, image.Left + image.Width, image.Top + image.Height);
    StretchDIBits(dc, image.Left, image.Top, bitmap.width, bitmap.height, 0, 0, bitmap.width, bitmap.height,
                  bitmap.bgra.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    RestoreDC(dc, saved);
}

void FormWindow::drawCheckItem(const DRAWITEMSTRUCT& item) {
    auto* list = dynamic_cast<TCheckListBox*>(controlOf(item.hwndItem));
    HDC dc = item.hDC;
    RECT row = item.rcItem;
    if (!list) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &row, brushOf(list->Color));
    const int index = static_cast<int>(item.itemID);
    if (index < 0 || index >= list->Items->Count()) return;
    const int side = std::max(list->ItemHeight - 2, 8);
    RECT box{row.left + 1, row.top + (row.bottom - row.top - side) / 2, 0, 0};
    box.right = box.left + side;
    box.bottom = box.top + side;
    FillRect(dc, &box, brushOf(clWindow));
    DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (list->Checked(index) ? DFCS_CHECKED : 0));
    // The selection marks the text; the check box stays as it is.
    RECT text = row;
    text.left = box.right + 2;
    if (selected) FillRect(dc, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
    text.left += 2;
    HGDIOBJ previous = SelectObject(dc, fontOf(list->EffectiveFont()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : rgbOf(list->EffectiveFont().Color));
    DrawTextA(dc, list->Items->Strings(index).c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, previous);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &row);
}

// ---------------------------------------------------------------- input
void FormWindow::post(std::function<void()> action) { m_display.post(&m_form, std::move(action)); }

void FormWindow::command(HWND child, int code) {
    TControl* control = controlOf(child);
    if (!control || m_syncing) return;
    Native& native = m_natives[control];
    if (auto* button = dynamic_cast<TButton*>(control)) {
        if (code == BN_CLICKED)
            post([button] {
                button->SetFocus();
                button->Click();
            });
    } else if (auto* memo = dynamic_cast<TMemo*>(control)) {
        // Typed text is the control's state at once, as in an edit control.
        if (code != EN_CHANGE) return;
        native.text = windowText(child);
        memo->Lines->SetText(native.text);
    } else if (auto* edit = dynamic_cast<TEdit*>(control)) {
        if (code != EN_CHANGE) return;
        native.text = windowText(child);
        edit->Text = native.text;
    } else if (auto* drives = dynamic_cast<TDriveComboBox*>(control)) {
        const auto index = SendMessageA(child, CB_GETCURSEL, 0, 0);
        if (code != CBN_SELCHANGE || index < 0 || index >= static_cast<LRESULT>(native.items.size())) return;
        const char drive = native.items[static_cast<std::size_t>(index)][0];
        post([drives, drive] {
            drives->SetFocus();
            drives->SetDrive(drive);
        });
    } else if (auto* directories = dynamic_cast<TDirectoryListBox*>(control)) {
        const auto index = SendMessageA(child, LB_GETCURSEL, 0, 0);
        if (index < 0 || index >= static_cast<LRESULT>(native.entries.size())) return;
        const std::string entry = native.entries[static_cast<std::size_t>(index)];
        const int line = static_cast<int>(index);
        // A click selects the line, a double click opens it too.
        if (code == LBN_SELCHANGE)
            post([directories, line] {
                directories->SetFocus();
                directories->SetItemIndex(line);
            });
        if (code == LBN_DBLCLK)
            post([directories, entry] {
                directories->SetFocus();
                directories->OpenEntry(entry);
            });
    }
}

// ------------------------------------------------------- a person's hand
void FormWindow::press(TButton& button) {
    if (HWND hwnd = nativeOf(button)) SendMessageA(hwnd, BM_CLICK, 0, 0);
}

void FormWindow::pressItem(TCheckListBox& list, int index, bool onCheckBox) {
    HWND hwnd = nativeOf(list);
    RECT row{}, inside{};
    if (!hwnd) return;
    GetClientRect(hwnd, &inside);
    SendMessageA(hwnd, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row));
    if (row.top < inside.top || row.bottom > inside.bottom) {
        SendMessageA(hwnd, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
        SendMessageA(hwnd, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row));
    }
    const int side = std::max(list.ItemHeight - 2, 8);
    const LPARAM point = MAKELPARAM(row.left + (onCheckBox ? side / 2 : side + 6), (row.top + row.bottom) / 2);
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(hwnd, WM_LBUTTONUP, 0, point);
}

// A multi-line edit control tells no change of its window text, but of
// typed text it does.
void FormWindow::type(TWinControl& field, const std::string& text) {
    HWND hwnd = nativeOf(field);
    if (!hwnd) return;
    if (!dynamic_cast<TMemo*>(&field)) {
        SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return;
    }
    std::string typed;
    for (char c : text) typed += c == '\n' ? std::string("\r\n") : std::string(1, c);
    SendMessageA(hwnd, EM_SETSEL, 0, -1);
    SendMessageA(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
}

void FormWindow::pickDrive(TDriveComboBox& box, char drive) {
    HWND hwnd = nativeOf(box);
    const std::vector<std::string>& items = m_natives[&box].items;
    const auto found = std::find_if(items.begin(), items.end(), [drive](const std::string& item) {
        return std::toupper(static_cast<unsigned char>(item[0])) == std::toupper(static_cast<unsigned char>(drive));
    });
    if (!hwnd || found == items.end()) return;
    SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(found - items.begin()), 0);
    notifyParent(hwnd, CBN_SELCHANGE);
}

bool FormWindow::openLine(TDirectoryListBox& list, const std::string& entry) {
    HWND hwnd = nativeOf(list);
    const int line = lineOf(list, entry);
    if (!hwnd || line < 0) return false;
    SendMessageA(hwnd, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    notifyParent(hwnd, LBN_SELCHANGE);
    notifyParent(hwnd, LBN_DBLCLK);
    return true;
}

void FormWindow::notifyParent(HWND child, int code) {
    SendMessageA(GetParent(child), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), code), reinterpret_cast<LPARAM>(child));
}

// The list's lines are the root, the ancestors, the directory and its
// sub-directories.
int FormWindow::lineOf(const TDirectoryListBox& list, const std::string& entry) const {
    const auto found = m_natives.find(&list);
    if (found == m_natives.end()) return -1;
    const std::vector<std::string>& entries = found->second.entries;
    const int current = indexOf(entries, list.Directory());
    if (entry == "..") return current > 0 ? current - 1 : -1;
    if ((entry.size() >= 2 && entry[1] == ':') || entry.starts_with("\\")) return indexOf(entries, entry);
    for (std::size_t i = static_cast<std::size_t>(current + 1); current >= 0 && i < entries.size(); ++i)
        if (win::text::equalNoCase(entries[i].substr(entries[i].rfind('\\') + 1), entry)) return static_cast<int>(i);
    return -1;
}

// A press on the check box toggles it, a press on the text selects the item.
void FormWindow::pressCheckList(HWND hwnd, int x, int y) {
    auto* list = dynamic_cast<TCheckListBox*>(controlOf(hwnd));
    if (!list) return;
    const LRESULT hit = SendMessageA(hwnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
    const int index = LOWORD(hit);
    const bool onItem = HIWORD(hit) == 0 && index < list->Items->Count();
    const bool onBox = x < std::max(list->ItemHeight - 2, 8) + 2;
    post([list, index, onItem, onBox] {
        list->SetFocus();
        if (!onItem) return;
        if (onBox)
            list->ClickCheckBox(index);
        else
            list->ClickItem(index);
    });
}

LRESULT CALLBACK FormWindow::checkListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        reinterpret_cast<FormWindow*>(self)->pressCheckList(hwnd, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::containerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || self->m_closing) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->handle(hwnd, message, wParam, lParam);
}

LRESULT FormWindow::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            if (TWinControl* container = containerOf(hwnd)) {
                paint(*container, hwnd);
                return 0;
            }
            break;
        case WM_ERASEBKGND: return 1;  // the painting fills the background
        case WM_COMMAND:
            if (lParam) command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_DRAWITEM: drawCheckItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
        case WM_VSCROLL:
            if (auto* box = dynamic_cast<TScrollBox*>(containerOf(hwnd)); box && !lParam) {
                scrollByBar(*box, LOWORD(wParam));
                return 0;
            }
            break;
        case WM_MOUSEWHEEL:
            if (auto* box = dynamic_cast<TScrollBox*>(containerOf(hwnd))) {
                scrollTo(*box, m_natives[box].scrollTop - GET_WHEEL_DELTA_WPARAM(wParam) * 3 * kScrollLine / WHEEL_DELTA);
                return 0;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
            if (TControl* control = controlOf(reinterpret_cast<HWND>(lParam))) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, rgbOf(control->EffectiveFont().Color));
                SetBkColor(dc, rgbOf(control->Color));
                return reinterpret_cast<LRESULT>(brushOf(control->Color));
            }
            break;
        // Only the model closes a form.
        case WM_CLOSE: return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) return 0;
            break;
        default: break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace forms::win32
