#pragma once
// Standard output carries the results (human text or one JSON document);
// standard error carries the messages.
#include <string>

#include "json.h"

namespace printune::cli {

struct Context;
struct Failure;

void PrintLine(const std::string& line);
void PrintJson(const Json& document);
// A message line on standard error.
void PrintMessage(const std::string& line);

// {"ok": true, "command": words} - the start of every success document.
Json OkDocument(const std::string& commandWords);

// What main prints for a failure: the message (and hint) on standard
// error; with --json also an error document on standard output.
void ReportFailure(bool json, const std::string& commandWords, const Failure& failure);

// The printed confirmation of a command that only sends: "sent N bytes" or,
// with --json, {"ok": true, "command": ..., "bytes": N}.
void ReportSent(const Context& context, const std::string& commandWords, long long bytes);

} // namespace printune::cli
