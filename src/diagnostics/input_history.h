#pragma once
// The command test's input history: the last inputs sent, newest last,
// walked with Up and Down in the input box and kept in a file of its own
// beside the settings file (never inside it: that file's lines are fixed).
#include <cstddef>
#include <string>
#include <vector>

namespace printune {

inline constexpr const char* INPUT_HISTORY_FILE = "printune_history.txt";
inline constexpr size_t INPUT_HISTORY_LIMIT = 50;

// One entry a line; backslash, CR and LF inside an entry as \\, \r, \n.
std::string EncodeHistory(const std::vector<std::string>& entries);
std::vector<std::string> DecodeHistory(const std::string& text);

class InputHistory {
public:
    explicit InputHistory(size_t limit = INPUT_HISTORY_LIMIT) : limit_(limit) {}

    // A missing file is an empty history. False when it cannot be read.
    bool Load(const std::string& path);
    // Written beside and renamed over the old file, so a crash leaves one
    // complete history. False when it cannot be written.
    bool Save(const std::string& path) const;

    // Appends an input (empty ones are not kept); an equal older entry moves
    // to the end; beyond the limit the oldest goes. Walking starts anew.
    void Add(const std::string& entry);

    // Up: the next older entry, remembering `current` as the draft the walk
    // started from; false at the oldest. Down: the next newer entry, then
    // the draft; false when not walking.
    bool Older(const std::string& current, std::string& out);
    bool Newer(std::string& out);

    const std::vector<std::string>& Entries() const { return entries_; }

private:
    void TrimAndRestart();

    size_t limit_;
    std::vector<std::string> entries_;
    size_t cursor_ = 0; // entries_.size(): not walking
    bool walking_ = false;
    std::string draft_;
};

} // namespace printune
