#pragma once
// Keeping a simulated printer's settings between runs: with a state
// directory set (printune-sim --state-dir DIR), each model loads
// DIR/<model>.state at start and rewrites it after every change. The file
// holds "key=value" lines of decimal numbers.
#include <map>
#include <string>

namespace printune_sim {

void SetStateDirectory(const std::string& dir);
// The file for a model; empty when no state directory is set.
std::string StateFilePath(const std::string& model);

using StateValues = std::map<std::string, long>;
// False when the file is missing or unreadable (the printer then starts
// from its factory values).
bool LoadStateFile(const std::string& path, StateValues& values);
// Written to a temporary file and renamed, so a killed simulator never
// leaves half a file.
bool SaveStateFile(const std::string& path, const StateValues& values);

// The settings part of a printer's state: raw values by setting key, and
// the serial-line byte.
template <class State, class KeyFn>
void SaveSettingsState(const State& state, KeyFn key) {
    if (state.stateFile.empty())
        return;
    StateValues v;
    for (size_t s = 0; s < state.values.size(); ++s)
        v[key(static_cast<int>(s))] = state.values[s];
    v["serial-byte"] = state.serialByte;
    SaveStateFile(state.stateFile, v);
}

template <class State, class KeyFn>
void LoadSettingsState(State& state, KeyFn key) {
    StateValues v;
    if (state.stateFile.empty() || !LoadStateFile(state.stateFile, v))
        return;
    for (size_t s = 0; s < state.values.size(); ++s)
        if (auto it = v.find(key(static_cast<int>(s))); it != v.end())
            state.values[s] = static_cast<uint16_t>(it->second);
    if (auto it = v.find("serial-byte"); it != v.end())
        state.serialByte = static_cast<uint8_t>(it->second);
}

} // namespace printune_sim
