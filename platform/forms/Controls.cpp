#include "Controls.h"

#include "Forms.h"
#include "Text1252.h"
#include "Win.h"

#include <algorithm>
#include <cctype>

namespace {

char upperDrive(char drive) {
    return static_cast<char>(win::text::upper(static_cast<unsigned char>(drive)));
}

std::string joinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '\\') return directory + name;
    return directory + "\\" + name;
}

// The directory itself, else its nearest ancestor that exists; the root at least.
std::string nearestExistingDirectory(std::string path) {
    while (path.size() > 3 && !win::directoryExists(path)) path.erase(std::max<std::size_t>(path.rfind('\\'), 3));
    return path;
}

std::string withoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

}  // namespace

// ------------------------------------------------------------ TComponent
TComponent::TComponent(TComponent* AOwner) : m_owner(AOwner) {
    if (m_owner) m_owner->m_components.push_back(this);
}

TComponent::~TComponent() {
    DestroyComponents();
    if (m_owner) std::erase(m_owner->m_components, this);
}

void TComponent::DestroyComponents() {
    while (!m_components.empty()) delete m_components.back();  // each one unlinks itself
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    for (TComponent* c : m_components)
        if (win::text::equalNoCase(c->Name, name)) return c;
    return nullptr;
}

// -------------------------------------------------------------- TControl
TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* parent) {
    if (parent == m_parent) return;
    if (m_parent) std::erase(m_parent->m_controls, this);
    m_parent = parent;
    if (!m_parent) return;
    if (auto* self = dynamic_cast<TWinControl*>(this); self && self->TabOrder < 0)
        self->TabOrder = static_cast<int>(std::count_if(m_parent->m_controls.begin(), m_parent->m_controls.end(),
                                                        [](TControl* c) { return dynamic_cast<TWinControl*>(c); }));
    m_parent->m_controls.push_back(this);
}

TForm* TControl::ParentForm() {
    for (TControl* c = this; c; c = c->m_parent)
        if (auto* form = dynamic_cast<TForm*>(c)) return form;
    return nullptr;
}

const TFont& TControl::EffectiveFont() const {
    return ParentFont && m_parent ? m_parent->EffectiveFont() : Font;
}

bool TControl::CanTakeInput() const { return InputRefusal().empty(); }

std::string TControl::InputRefusal() const {
    for (const TControl* c = this; c; c = c->m_parent)
        if (!c->Visible()) return "hidden";
    for (const TControl* c = this; c; c = c->m_parent)
        if (!c->Enabled) return "disabled";
    return "";
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::Repaint() { Application->Display().repaint(*this); }

// ----------------------------------------------------------- TWinControl
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    for (TControl* c : m_controls) c->m_parent = nullptr;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) return;
    if (TForm* form = ParentForm()) form->ActiveControl = this;
}

bool TWinControl::DefaultKey(uint16_t, TShiftState) { return false; }

// ---------------------------------------------------------------- simple
TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    Width = 75;
    Height = 25;
}

void TButton::Click() {
    if (ModalResult != 0)
        if (TForm* form = ParentForm()) form->ModalResult = ModalResult;
    TControl::Click();
}

bool TButton::DefaultKey(uint16_t key, TShiftState) {
    if (key != VK_RETURN && key != VK_SPACE) return false;
    Click();
    return true;
}

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    Width = 121;
    Height = 25;
    Color = clWindow;
}

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner) { Color = clWindow; }

bool TMemo::DefaultKey(uint16_t key, TShiftState) {
    if (key != VK_RETURN) return false;
    if (!ReadOnly) Lines->Add("");
    return true;
}

TRichEdit::TRichEdit(TComponent* AOwner) : TMemo(AOwner) {}

std::string TRichEdit::PlainText() const {
    const std::string text = Lines->Text();
    return forms::rtf::isRtf(text) ? RtfToPlainText(text) : text;
}

// ---------------------------------------------------------- check list
// The items with a check mark each; dropping items drops their marks and
// the box's selection.
class TCheckListBox::ItemList : public TStrings {
public:
    explicit ItemList(TCheckListBox& box) : m_box(box) {}

    int Count() const override { return m_list.Count(); }
    std::string Strings(int index) const override { return m_list.Strings(index); }
    void SetStrings(int index, const std::string& s) override { m_list.SetStrings(index, s); }
    TObject* Objects(int index) const override { return m_list.Objects(index); }
    void SetObjects(int index, TObject* object) override { m_list.SetObjects(index, object); }
    void InsertObject(int index, const std::string& s, TObject* object) override {
        m_list.InsertObject(index, s, object);
        m_checked.insert(m_checked.begin() + index, false);
    }
    void Delete(int index) override {
        m_list.Delete(index);
        m_checked.erase(m_checked.begin() + index);
        m_box.m_itemIndex = -1;
    }
    void Clear() override {
        m_list.Clear();
        m_checked.clear();
        m_box.m_itemIndex = -1;
    }

    bool checked(int index) const {
        CheckIndex(index);
        return m_checked[index];
    }
    void setChecked(int index, bool checked) {
        CheckIndex(index);
        m_checked[index] = checked;
    }

private:
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count()) IndexError(index);
    }

    TCheckListBox& m_box;
    TStringList m_list;
    std::vector<bool> m_checked;
};

TCheckListBox::TCheckListBox(TComponent* AOwner)
    : TWinControl(AOwner), m_items(std::make_unique<ItemList>(*this)), Items(m_items.get()) {
    Color = clWindow;
}

TCheckListBox::~TCheckListBox() = default;

bool TCheckListBox::Checked(int index) const { return m_items->checked(index); }

void TCheckListBox::SetChecked(int index, bool checked) { m_items->setChecked(index, checked); }

void TCheckListBox::SetItemIndex(int index) { m_itemIndex = index >= 0 && index < Items->Count() ? index : -1; }

void TCheckListBox::ClickItem(int index) {
    SetItemIndex(index);
    Click();
}

void TCheckListBox::ClickCheckBox(int index) {
    ClickItem(index);
    ToggleCheck(index);
}

void TCheckListBox::ToggleCheck(int index) {
    SetChecked(index, !Checked(index));
    if (OnClickCheck) OnClickCheck(this);
}

bool TCheckListBox::DefaultKey(uint16_t key, TShiftState) {
    if (key == VK_SPACE) {
        if (m_itemIndex >= 0) ToggleCheck(m_itemIndex);
        return true;
    }
    if (key != VK_UP && key != VK_DOWN) return false;
    const int count = Items->Count();
    const int next = std::clamp(m_itemIndex + (key == VK_DOWN ? 1 : -1), 0, count - 1);
    if (count > 0 && next != m_itemIndex) ClickItem(next);
    return true;
}

// ------------------------------------------------------------ drive box
TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TWinControl(AOwner) {
    const std::string current = win::currentDirectory();
    m_drive = current.empty() ? 'C' : upperDrive(current[0]);
    Color = clWindow;
}

void TDriveComboBox::SetDrive(char drive) {
    drive = upperDrive(drive);
    if (drive == m_drive) return;
    m_drive = drive;
    if (OnChange) OnChange(this);
}

bool TDriveComboBox::DefaultKey(uint16_t key, TShiftState shift) {
    if ((key != VK_UP && key != VK_DOWN) || shift.Contains(ssAlt)) return false;
    const std::vector<std::string> items = ItemTexts();
    const auto current = std::find_if(items.begin(), items.end(),
                                      [this](const std::string& text) { return upperDrive(text[0]) == m_drive; });
    const int index = current == items.end() ? -1 : static_cast<int>(current - items.begin());
    const int next = std::clamp(index + (key == VK_DOWN ? 1 : -1), 0, static_cast<int>(items.size()) - 1);
    if (next >= 0 && next != index) SetDrive(items[next][0]);
    return true;
}

std::vector<std::string> TDriveComboBox::ItemTexts() const {
    std::vector<std::string> texts;
    const uint32_t drives = win::logicalDrives();
    for (int i = 0; i < 26; ++i)
        if (drives & (1u << i)) texts.push_back(DriveText(static_cast<char>('A' + i)));
    return texts;
}

std::string TDriveComboBox::DriveText(char drive) {
    const std::string root = {drive, ':', '\\'};
    std::string text = {static_cast<char>(std::tolower(static_cast<unsigned char>(drive))), ':'};
    const uint32_t type = win::driveType(root);
    if (type != win::DRIVE_TYPE_FIXED && type != win::DRIVE_TYPE_RAMDISK && type != win::DRIVE_TYPE_CDROM)
        return text;
    // Reading the list must not raise the system's "no disk" box.
    const uint32_t previousMode = win::setErrorMode(win::SEM_FAILCRITICALERRORS);
    win::DiskFree free;
    const bool ready = win::diskFreeSpace(root, free);
    win::setErrorMode(previousMode);
    return ready ? text + " [" + win::volumeLabel(root) + "]" : text;
}

// ------------------------------------------------------- directory list
TDirectoryListBox::TDirectoryListBox(TComponent* AOwner)
    : TWinControl(AOwner), m_directory(win::currentDirectory()), m_itemIndex(OpenedEntries() - 1) {
    Color = clWindow;
}

void TDirectoryListBox::SetDirectory(const std::string& directory) {
    if (!win::setCurrentDirectory(directory)) throw EInOutError(withoutLineEnd(win::systemMessage(win::lastError())));
    m_directory = win::currentDirectory();
    m_itemIndex = OpenedEntries() - 1;
    if (OnChange) OnChange(this);
}

int TDirectoryListBox::OpenedEntries() const {
    if (m_directory.size() < 3) return 0;
    return 1 + static_cast<int>(m_directory.size() > 3) + static_cast<int>(std::count(m_directory.begin() + 3, m_directory.end(), '\\'));
}

void TDirectoryListBox::SetItemIndex(int index) {
    m_itemIndex = std::clamp(index, 0, std::max(static_cast<int>(Entries().size()) - 1, 0));
}

void TDirectoryListBox::SetDrive(char drive) {
    if (upperDrive(drive) == upperDrive(Drive())) return;
    // The drive's remembered directory may have gone meanwhile.
    const std::string relative = {drive, ':'};
    SetDirectory(nearestExistingDirectory(win::fullPathName(relative).value_or(relative + "\\")));
}

void TDirectoryListBox::Update() {
    Repaint();
    if (OnChange) OnChange(this);
}

std::vector<std::string> TDirectoryListBox::Entries() const {
    std::vector<std::string> entries;
    if (m_directory.size() < 3) return entries;
    std::string path = m_directory.substr(0, 3);
    entries.push_back(path);
    for (std::size_t start = 3; start < m_directory.size();) {
        const std::size_t end = std::min(m_directory.find('\\', start), m_directory.size());
        path = joinPath(path, m_directory.substr(start, end - start));
        entries.push_back(path);
        start = end + 1;
    }
    for (const win::FindData& found : win::findFiles(joinPath(m_directory, "*.*")))
        if ((found.attributes & win::ATTR_DIRECTORY) && found.name != "." && found.name != "..")
            entries.push_back(joinPath(m_directory, found.name));
    return entries;
}

void TDirectoryListBox::OpenEntry(const std::string& entry) {
    const bool absolute = (entry.size() >= 2 && entry[1] == ':') || entry.starts_with("\\");
    SetDirectory(absolute ? entry : joinPath(m_directory, entry));
}

bool TDirectoryListBox::DefaultKey(uint16_t key, TShiftState) {
    switch (key) {
        case VK_UP:
        case VK_DOWN: SetItemIndex(m_itemIndex + (key == VK_DOWN ? 1 : -1)); return true;
        case VK_RETURN: {
            const std::vector<std::string> entries = Entries();
            OpenEntry(m_itemIndex >= 0 && m_itemIndex < static_cast<int>(entries.size()) ? entries[m_itemIndex] : m_directory);
            return true;
        }
        default: return false;
    }
}

// --------------------------------------------------------- progress bar
TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    TabStop = false;
    Width = 150;
    Height = 16;
}

void TProgressBar::SetMin(int min) {
    m_min = min;
    SetPosition(m_position);
}

void TProgressBar::SetMax(int max) {
    m_max = max;
    SetPosition(m_position);
}

void TProgressBar::SetPosition(int position) { m_position = std::max(std::min(position, m_max), m_min); }

// ----------------------------------------------------------- containers
TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) { TabStop = false; }

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) { TabStop = false; }

TImage::TImage(TComponent* AOwner) : TControl(AOwner) {}

// ---------------------------------------------------------------- timers
namespace {

std::vector<TTimer*>& timers() {
    static std::vector<TTimer*> all;  // in creation order
    return all;
}

}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    timers().push_back(this);
    Restart();
}

TTimer::~TTimer() { std::erase(timers(), this); }

void TTimer::SetEnabled(bool enabled) {
    if (enabled == m_bEnabled) return;
    m_bEnabled = enabled;
    if (enabled) Restart();
}

void TTimer::SetInterval(uint32_t interval) {
    if (interval == m_interval) return;
    m_interval = interval;
    Restart();
}

TTimer* TTimer::Earliest() {
    TTimer* earliest = nullptr;
    for (TTimer* t : timers()) {
        if (!t->m_bEnabled || t->m_interval == 0) continue;
        // Ticks wrap after 49 days: compare by signed distance.
        if (!earliest || static_cast<int32_t>(t->m_due - earliest->m_due) < 0) earliest = t;
    }
    return earliest;
}

void TTimer::Fire() {
    Restart();
    if (OnTimer) OnTimer(this);
}

void TTimer::Restart() { m_due = win::tickCount() + m_interval; }
