#pragma once
// The contacts kept on the PC, and their file Phonebook.dat in the data folder.
//
// Phonebook.dat is UTF-16LE with FF FE (a file without the mark is read as narrow UTF-8 text):
// per contact the lines "Name:", "Mobile:", "Office:", "Home:", "Remark:" and "Email:", each
// ending in CR LF, then an empty line. A remark with line breaks runs over several lines, the
// first after "Remark:", the others on lines of their own before "Email:". A contact is read
// back only with a name and at least one of the three numbers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "device/Observer.h"

namespace dedevev {

struct PCContact {
    std::u16string name;
    std::u16string mobile;
    std::u16string office;
    std::u16string home;
    std::u16string email;
    std::u16string remark;   // may hold CR LF line breaks
    std::int32_t extra = 0;  // carried along, never interpreted here

    // A name and at least one number.
    bool IsValid() const;
    // The same contact: name and the three numbers equal (e-mail, remark, extra aside).
    bool SameAs(const PCContact& other) const;

    friend bool operator==(const PCContact&, const PCContact&) = default;
};

// What CheckConflict finds for a contact about to be added or stored.
enum PhonebookConflict : int {
    kConflictNameExists = 0,    // another contact has the same name: ask
    kConflictNumberExists = 1,  // another contact has one of the numbers in the same field: ask
    kConflictRecordExists = 2,  // the same contact is there already: refuse
    kConflictNone = 3,
};

class CPhonebookPC {
public:
    using ObserverType = IClearableObserver<CPhonebookPC>;

    CPhonebookPC() = default;
    CPhonebookPC(const CPhonebookPC&) = delete;
    CPhonebookPC& operator=(const CPhonebookPC&) = delete;

    // Observers are called synchronously on the changing thread, in registration order, while
    // the observer list's lock is held (no duplicates). Once RemoveObserver returns, the
    // observer is never called again.
    void AddObserver(ObserverType* observer);
    void RemoveObserver(ObserverType* observer);

    // Every operation below takes Lock() itself. A caller that reads and changes in several
    // steps (a count, then positions) holds Lock() for the whole of it: the copy worker adds
    // from its own thread while the window thread reads.
    std::recursive_mutex& Lock() const { return mutex_; }

    int GetCount() const;
    // The stored contact; the reference stays valid until that contact is removed.
    // `position` must be below GetCount().
    const PCContact& GetAt(int position) const;
    // A copy of the contact at `position`; false for a bad position.
    bool CopyAt(int position, PCContact* contact) const;

    // Appends a copy unless the same contact is held (then *existed is true and nothing
    // changes); OnAdded(this, new last position).
    void Add(const PCContact& contact, bool* existed);
    // OnRemoved(this, position); false for a bad position.
    bool RemoveAt(int position);
    // Copies every field (extra too); OnChanged(this, position); false for a bad position.
    bool Update(int position, const PCContact& contact);
    // Destroys every contact without telling the observers.
    void Clear();

    // The first same contact's position, or GetCount().
    int Find(const PCContact& contact) const;
    // The first contact whose name equals `name` exactly; -1 for none or an empty name.
    int FindByName(std::u16string_view name) const;
    // The first contact with mobile, office or home equal to `number` exactly; -1 for none or
    // an empty number.
    int FindByNumber(std::u16string_view number) const;

    // Compares `candidate` with every contact but the one at `skip_position` (GetCount() for a
    // new contact): kConflictRecordExists, else kConflictNameExists, else
    // kConflictNumberExists (the same non-empty home, mobile or office, field by field), else
    // kConflictNone.
    int CheckConflict(const PCContact& candidate, int skip_position) const;

    // The file's bytes for the contacts, and the contacts of a file's bytes (replacing those
    // held; observers are not told).
    std::string Serialise() const;
    void Parse(std::string_view bytes);
    // Reads the file at `path` (UTF-8 file-system path); false when it cannot be opened (a
    // missing file leaves the phonebook empty).
    bool Load(const std::string& path);
    // Writes the file atomically (temporary file, fsync, rename; mode 0600). False when it was
    // not written; the old file is then whole.
    bool Save(const std::string& path) const;

private:
    template <typename Notice>
    void Notify(Notice notice);
    // How many held contacts have the sameness hash of `contact` (name and numbers), so that
    // Add walks the contacts only when one may be the same.
    void CountSame(const PCContact& contact, int change);
    void RecountSame();

    mutable std::recursive_mutex mutex_;  // contacts_, same_counts_
    std::vector<std::unique_ptr<PCContact>> contacts_;
    std::unordered_map<std::size_t, int> same_counts_;
    std::recursive_mutex observer_mutex_;
    std::vector<ObserverType*> observers_;
};

}  // namespace dedevev
