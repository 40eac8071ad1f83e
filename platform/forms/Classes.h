// The class library's base object and string lists.
#pragma once

#include <string>
#include <utility>
#include <vector>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// A plain value attached to a list entry (an integer index, a record).
template <class T>
class TValueObject : public TObject {
public:
    explicit TValueObject(T value) : Value(std::move(value)) {}
    T Value;
};
using TIntObject = TValueObject<int>;

// A list of strings, each with an optional attached object.  Indexes outside
// 0..Count()-1 raise EStringListError "List index out of bounds (%d)".
// Derived lists supply the storage; everything else is built on it.
class TStrings : public TObject {
public:
    virtual int Count() const = 0;
    virtual std::string Strings(int index) const = 0;
    virtual void SetStrings(int index, const std::string& s) = 0;
    virtual TObject* Objects(int index) const = 0;
    virtual void SetObjects(int index, TObject* object) = 0;
    virtual void InsertObject(int index, const std::string& s, TObject* object) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    // Appends; returns the entry's index.
    virtual int AddObject(const std::string& s, TObject* object);
    // The first entry equal to s without case (AnsiCompareText), or -1.
    virtual int IndexOf(const std::string& s) const;

    std::string operator[](int index) const { return Strings(index); }
    int Add(const std::string& s) { return AddObject(s, nullptr); }
    void Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

    // name=value lines: the name before the first "=", compared without case.
    std::string Names(int index) const;
    int IndexOfName(const std::string& name) const;
    std::string Values(const std::string& name) const;  // "" when absent
    // Replaces or adds the line; an empty value deletes it.
    void SetValues(const std::string& name, const std::string& value);

    // Every entry followed by CR LF.
    std::string Text() const;
    // Replaces the content by the lines of text, each through Add: a line ends
    // at CR LF, LF or CR, a final line end adds no entry, a zero byte ends the
    // text.
    void SetText(const std::string& text);
    // Replaces the content by the items of a comma/blank separated text, with
    // double quotes grouping (a doubled quote stands for one).
    void SetCommaText(const std::string& text);

    // Raises EFOpenError "Cannot open file %s".
    void LoadFromFile(const std::string& fileName);
    // Every entry followed by CR LF; raises EFCreateError "Cannot create file %s".
    void SaveToFile(const std::string& fileName) const;

protected:
    [[noreturn]] static void IndexError(int index);
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    // An owning list deletes its objects when their entries are deleted or
    // replaced, on Clear and with the list.
    explicit TStringList(bool ownsObjects = false) : m_bOwnsObjects(ownsObjects) {}
    ~TStringList() override;

    int Count() const override { return static_cast<int>(m_entries.size()); }
    std::string Strings(int index) const override;
    void SetStrings(int index, const std::string& s) override;  // raises on a sorted list
    TObject* Objects(int index) const override;
    void SetObjects(int index, TObject* object) override;
    void InsertObject(int index, const std::string& s, TObject* object) override;  // raises on a sorted list
    void Delete(int index) override;
    void Clear() override;
    // Sorted: at the sorted position; an entry equal without case makes
    // dupIgnore return its index without adding (the object given stays the
    // caller's), dupError raise.
    int AddObject(const std::string& s, TObject* object) override;
    int IndexOf(const std::string& s) const override;  // binary search when sorted

    bool Sorted() const { return m_bSorted; }
    // Sorts the present content (duplicates already there stay) and keeps it
    // sorted; objects move with their strings.
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return m_duplicates; }
    void SetDuplicates(TDuplicates duplicates) { m_duplicates = duplicates; }
    bool OwnsObjects() const { return m_bOwnsObjects; }
    void SetOwnsObjects(bool ownsObjects) { m_bOwnsObjects = ownsObjects; }

private:
    struct Entry {
        std::string text;
        TObject* object = nullptr;
    };
    void CheckIndex(int index) const;
    void CheckUnsorted() const;
    void Release(TObject* object) const;
    // Whether an entry equals s; index is its position or where s belongs.
    bool Find(const std::string& s, int& index) const;

    std::vector<Entry> m_entries;
    bool m_bSorted = false;
    TDuplicates m_duplicates = dupIgnore;
    bool m_bOwnsObjects = false;
};
