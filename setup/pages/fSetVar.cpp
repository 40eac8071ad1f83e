#include "fSetVar.h"

#include "Tools.h"
#include "Win.h"
#include "fInstall.h"

#include <algorithm>
#include <optional>

TfrmSetVar* frmSetVar = nullptr;

namespace {

// GetComputerNameA and GetUserNameA are given buffers of these sizes, the
// terminating zero included; a longer name makes the call fail.
constexpr std::size_t kComputerNameBuffer = 16;
constexpr std::size_t kUserNameBuffer = 50;
constexpr std::size_t kHostNameBuffer = 255;

std::string NameFitting(const std::optional<std::string>& name, std::size_t buffer) {
    return name && name->size() < buffer ? *name : "";
}

// A name holds no blanks; a value keeps those inside it ("C:\Program Files").
std::string EnvironmentLine(const std::string& line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return Trim(StripChar(line, ' '));
    return Trim(StripChar(line.substr(0, equals), ' ')) + "=" + Trim(line.substr(equals + 1));
}

}  // namespace

TfrmSetVar::TfrmSetVar(TComponent* AOwner) : TWizardPage(AOwner, "frmSetVar") { CreateDesign(); }

void TfrmSetVar::CreateDesign() {
    OnShow = [this](TObject* sender) { FormShow(sender); };

    lblHint = PlaceControl<TLabel>(this, "lblHint", 212, 68, 429, 39);
    lblHint->AutoSize = false;
    lblHint->WordWrap = true;
    lblHint->Caption =
        "Bitte stellen Sie die Programmparameter auf die erforderlichen Werte ein ( Felder sind editierbar )";
    lblHint->SetFont(PageFont("Verdana", 13, {fsBold}, clBlack));

    lblEnv = PlaceLabel(this, "lblEnv", 212, 117, "Umgebungsvariablen ( Windows Systemvariable )",
                        PageFont("Verdana", 13, {fsBold}, clBlack));

    memEnv = PlaceControl<TMemo>(this, "memEnv", 212, 135, 425, 120);
    memEnv->ScrollBars = ssNone;
    memEnv->SetFont(PageFont("Verdana", 11));

    lblIni = PlaceLabel(this, "lblIni", 212, 274, "INI-Datei Einstellungen ( qdbserv.ini )", PageFont("Verdana", 13));

    sbIni = PlaceControl<TScrollBox>(this, "sbIni", 212, 292, 425, 120);
    sbIni->Color = clWhite;
    sbIni->HorzScrollBarVisible = false;
    sbIni->SetFont(PageFont("Verdana", 11));

    cmdNext = AddNextButton(0, 576);
    cmdNext->OnClick = [this](TObject* sender) { cmdNextClick(sender); };
    memEnv->TabOrder = 1;
    sbIni->TabOrder = 2;
}

void TfrmSetVar::FormShow(TObject*) { ShowFrameTexts(); }

// A page shown before the executor lent it its lists has nothing to write.
void TfrmSetVar::cmdNextClick(TObject*) {
    if (m_pclEnvList) WriteBackEnvironment();
    if (m_pclIniLines) WriteBackIniLines();
}

void TfrmSetVar::WriteBackEnvironment() {
    m_pclEnvList->Clear();
    TStrings& lines = *memEnv->Lines;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string line = EnvironmentLine(lines[i]);
        lines.SetStrings(i, line);
        if (!NameOfLine(line).empty() && !ValueOfLine(line).empty()) m_pclEnvList->Add(line);
    }
}

void TfrmSetVar::WriteBackIniLines() {
    const int fields = std::min(sbIni->ControlCount(), m_pclIniLines->Count());
    for (int i = 0; i < fields; ++i)
        m_pclIniLines->SetStrings(i, Trim(static_cast<TEdit*>(sbIni->Controls(i))->Text));
}

// The focus moves through synthesised keys, so the form's own Tab handling
// decides where it lands (also out of the scroll box at either end).
void TfrmSetVar::EditKeyDown(TObject*, uint16_t& Key, TShiftState) {
    if (Key == VK_UP) {
        keybd_event(VK_SHIFT, 0, 0, 0);
        keybd_event(VK_TAB, 0, 0, 0);
        keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
        keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    } else if (Key == VK_DOWN || Key == VK_RETURN) {
        keybd_event(VK_TAB, 0, 0, 0);
        keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
    }
}

void FillEnvironmentMemo(TfrmSetVar* page, TStrings* list) {
    page->m_pclEnvList = list;
    TStrings& lines = *page->memEnv->Lines;
    lines.Clear();
    for (int i = 0; i < list->Count(); ++i) {
        const std::string line = list->Strings(i);
        const std::string name = UpperCase(NameOfLine(line));
        std::string value = win::environmentVariable(name);
        if (value.empty()) value = ValueOfLine(line);
        lines.Add(name + "=" + value);
    }
}

void FillIniEdits(TfrmSetVar* page, TStrings* list) {
    page->m_pclIniLines = list;
    for (int i = 0; i < list->Count(); ++i) {
        auto* edit = new TEdit(page);
        edit->SetParent(page->sbIni);
        edit->BorderStyle = bsNone;
        edit->AutoSelect = false;
        edit->Width = page->sbIni->Width;
        edit->Top = (edit->Height - 6) * i;
        edit->OnKeyDown = [page](TObject* sender, uint16_t& key, TShiftState shift) {
            page->EditKeyDown(sender, key, shift);
        };
        edit->Text = ExpandPlaceholders(list->Strings(i));
    }
}

std::string ExpandPlaceholders(const std::string& text) {
    std::string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('%', pos);
        const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) {
            result += text.substr(pos);
            break;
        }
        result += text.substr(pos, open - pos);
        result += PlaceholderValue(text.substr(open, close - open + 1));
        pos = close + 1;
    }
    return result;
}

std::string PlaceholderValue(const std::string& token) {
    const std::string name = UpperCase(token);
    if (name == "%PROGRAM_DIR%") return frmInstall->m_sProgramDir;
    if (name == "%NETWORK_DIR%") return frmInstall->m_sNetworkDir;
    if (name == "%WINDOWS_DIR%") return frmInstall->m_sWindowsDir;
    if (name == "%SYSTEM_DIR%") return frmInstall->m_sSystemDir;
    if (name == "%TEMP_DIR%") return frmInstall->m_sTempDir;
    if (name == "%LOCAL_IPADDRESS%") return GetLocalIpAddress();
    if (name == "%COMPUTER_NAME%") return NameFitting(win::computerName(), kComputerNameBuffer);
    if (name == "%USER_NAME%") return NameFitting(win::userName(), kUserNameBuffer);
    return "";
}

std::string GetLocalIpAddress() {
    if (NameFitting(win::hostName(), kHostNameBuffer).empty()) return "";
    const std::vector<std::string> addresses = win::hostAddresses();
    return addresses.empty() ? "" : addresses.front();
}
