#pragma once

#include <functional>
#include <string>

namespace testsupport {

constexpr int kDiedAtRename = 86;

// Runs `work` in a forked child that dies with kDiedAtRename at the first
// rename of a file whose name ends in `suffix`, after the temporary file was
// written in full: the moment an atomic save is most exposed. Returns the
// child's exit status, or -1 when it did not exit normally.
int RunDyingAtRename(const std::string& suffix, const std::function<void()>& work);

}  // namespace testsupport
