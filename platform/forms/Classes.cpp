#include "Classes.h"

#include "SysUtils.h"
#include "Win.h"

#include <algorithm>

// ------------------------------------------------------------------ TStrings
int TStrings::AddObject(const std::string& s, TObject* object) {
    const int index = Count();
    InsertObject(index, s, object);
    return index;
}

int TStrings::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiCompareText(Strings(i), s) == 0) return i;
    return -1;
}

std::string TStrings::Names(int index) const {
    const std::string line = Strings(index);
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? "" : line.substr(0, eq);
}

int TStrings::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string line = Strings(i);
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && AnsiCompareText(line.substr(0, eq), name) == 0) return i;
    }
    return -1;
}

std::string TStrings::Values(const std::string& name) const {
    const int index = IndexOfName(name);
    if (index < 0) return "";
    const std::string line = Strings(index);
    return line.substr(line.find('=') + 1);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
    } else if (index < 0) {
        Add(name + "=" + value);
    } else {
        SetStrings(index, name + "=" + value);
    }
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) text += Strings(i) + "\r\n";
    return text;
}

namespace {

// Length of the line end at position i: CR LF, LF, CR, or none at the end.
std::size_t lineEndLength(const std::string& s, std::size_t i) {
    if (i >= s.size()) return 0;
    return s.compare(i, 2, "\r\n") == 0 ? 2 : 1;
}

}  // namespace

void TStrings::SetText(const std::string& text) {
    Clear();
    const std::string content = text.substr(0, text.find('\0'));
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t end = std::min(content.find_first_of("\r\n", start), content.size());
        Add(content.substr(start, end - start));
        start = end + lineEndLength(content, end);
    }
}

namespace {

bool isSeparatorBlank(char c) {
    return c >= 1 && c <= 32;
}

std::size_t skipBlanks(const std::string& s, std::size_t i) {
    while (i < s.size() && isSeparatorBlank(s[i])) ++i;
    return i;
}

// A quoted item from the opening quote at i; a doubled quote inside stands
// for one.  Returns the position after the closing quote.
std::size_t takeQuoted(const std::string& s, std::size_t i, std::string& item) {
    for (++i; i < s.size(); ++i) {
        if (s[i] != '"') {
            item += s[i];
        } else if (i + 1 < s.size() && s[i + 1] == '"') {
            item += '"';
            ++i;
        } else {
            return i + 1;
        }
    }
    return i;
}

std::size_t takePlain(const std::string& s, std::size_t i, std::string& item) {
    const std::size_t start = i;
    while (i < s.size() && s[i] != ',' && !isSeparatorBlank(s[i])) ++i;
    item = s.substr(start, i - start);
    return i;
}

}  // namespace

void TStrings::SetCommaText(const std::string& text) {
    Clear();
    const std::string content = text.substr(0, text.find('\0'));
    std::size_t i = skipBlanks(content, 0);
    while (i < content.size()) {
        std::string item;
        i = content[i] == '"' ? takeQuoted(content, i, item) : takePlain(content, i, item);
        Add(item);
        i = skipBlanks(content, i);
        if (i < content.size() && content[i] == ',') i = skipBlanks(content, i + 1);
    }
}

void TStrings::LoadFromFile(const std::string& fileName) {
    std::string content;
    if (!win::readWholeFile(fileName, content)) throw EFOpenError("Cannot open file " + fileName);
    SetText(content);
}

void TStrings::SaveToFile(const std::string& fileName) const {
    if (!win::writeWholeFile(fileName, Text())) throw EFCreateError("Cannot create file " + fileName);
}

void TStrings::IndexError(int index) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

// --------------------------------------------------------------- TStringList
TStringList::~TStringList() {
    for (const Entry& entry : m_entries) Release(entry.object);
}

std::string TStringList::Strings(int index) const {
    CheckIndex(index);
    return m_entries[static_cast<std::size_t>(index)].text;
}

void TStringList::SetStrings(int index, const std::string& s) {
    CheckUnsorted();
    CheckIndex(index);
    m_entries[static_cast<std::size_t>(index)].text = s;
}

TObject* TStringList::Objects(int index) const {
    CheckIndex(index);
    return m_entries[static_cast<std::size_t>(index)].object;
}

void TStringList::SetObjects(int index, TObject* object) {
    CheckIndex(index);
    TObject*& slot = m_entries[static_cast<std::size_t>(index)].object;
    if (slot != object) Release(slot);
    slot = object;
}

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
    CheckUnsorted();
    if (index < 0 || index > Count()) IndexError(index);
    m_entries.insert(m_entries.begin() + index, Entry{s, object});
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Release(m_entries[static_cast<std::size_t>(index)].object);
    m_entries.erase(m_entries.begin() + index);
}

void TStringList::Clear() {
    for (const Entry& entry : m_entries) Release(entry.object);
    m_entries.clear();
}

int TStringList::AddObject(const std::string& s, TObject* object) {
    if (!m_bSorted) return TStrings::AddObject(s, object);
    int index = 0;
    if (Find(s, index)) {
        if (m_duplicates == dupIgnore) return index;
        if (m_duplicates == dupError) throw EStringListError("String list does not allow duplicates");
    }
    m_entries.insert(m_entries.begin() + index, Entry{s, object});
    return index;
}

int TStringList::IndexOf(const std::string& s) const {
    if (!m_bSorted) return TStrings::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

void TStringList::SetSorted(bool sorted) {
    if (sorted && !m_bSorted)
        std::stable_sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
            return AnsiCompareText(a.text, b.text) < 0;
        });
    m_bSorted = sorted;
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
}

void TStringList::CheckUnsorted() const {
    if (m_bSorted) throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::Release(TObject* object) const {
    if (m_bOwnsObjects) delete object;
}

bool TStringList::Find(const std::string& s, int& index) const {
    auto before = [](const Entry& entry, const std::string& key) { return AnsiCompareText(entry.text, key) < 0; };
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), s, before);
    index = static_cast<int>(at - m_entries.begin());
    return at != m_entries.end() && AnsiCompareText(at->text, s) == 0;
}
