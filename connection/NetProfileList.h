#pragma once
// The user's network profiles, kept sorted by name (ordinal, case-sensitive), and their file
// SetNet.dat in the data folder.
//
// SetNet.dat is UTF-16LE with FF FE: one block per profile of eleven "Key:value" lines ending
// in CR LF, then an empty line. A file without FF FE is read as narrow (UTF-8) text. It is
// read by the block-file reader (core/BlockFile.h): a block that lacks a key keeps that field
// empty and never takes a line of the next block.

#include <cstddef>
#include <string>
#include <vector>

#include "connection/NetProfile.h"

namespace dedevev {

class NetProfileList {
public:
    std::size_t Count() const { return profiles_.size(); }
    const NetProfile& At(std::size_t index) const { return profiles_.at(index); }
    const std::vector<NetProfile>& All() const { return profiles_; }

    // Index of the profile called exactly `name`, or -1.
    int FindByName(const std::u16string& name) const;
    // Index of the first profile whose network code is `mcc_mnc`, or -1.
    int FindByMccMnc(const std::u16string& mcc_mnc) const;
    // Adds the profile unless one of that name exists; keeps the list sorted. False when refused.
    bool Insert(const NetProfile& profile);
    // Replaces the profile at `index` (the order is kept as it is). False for a bad index.
    bool Replace(std::size_t index, const NetProfile& profile);
    // Removes the profile at `index`. False for a bad index.
    bool Remove(std::size_t index);
    void Clear() { profiles_.clear(); }
    void Sort();

    // Replaces the list by the profiles in `bytes` (a whole SetNet.dat), sorted.
    void Parse(const std::string& bytes);
    // The list as SetNet.dat bytes.
    std::string Serialise() const;

    // Loads `data_file`; when it is missing or empty, `template_file` instead; when neither
    // can be read the list is empty. Paths are UTF-8 file-system paths.
    void Load(const std::string& data_file, const std::string& template_file);
    // Writes the list to `path` atomically, mode 0600. False on failure.
    bool Save(const std::string& path) const;

private:
    std::vector<NetProfile> profiles_;
};

// The process-wide list, loaded from the data folder's SetNet.dat (or the program folder's
// Record/SetNet.dat template) on first use. It is written back by SaveProfiles() at process
// exit (registered with atexit on first use). Use from one thread at a time.
NetProfileList& Profiles();
// Writes the process-wide list to the data folder's SetNet.dat (nothing when it was never
// used). Failures are silent. True when written.
bool SaveProfiles();
// For tests: drops the process-wide list without saving; the next Profiles() loads afresh.
void ResetProfilesForTesting();

}  // namespace dedevev
