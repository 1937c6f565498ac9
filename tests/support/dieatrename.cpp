#include "support/dieatrename.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {
// Set only in the forked child.
std::atomic<const char*> g_dyingSuffix{nullptr};
}  // namespace

// Every rename of a program linking this passes here; only that child dies.
extern "C" int rename(const char* from, const char* to) {
    if (const char* suffix = g_dyingSuffix.load(); suffix && from) {
        const size_t n = std::strlen(from), m = std::strlen(suffix);
        if (n > m && std::strcmp(from + n - m, suffix) == 0) _exit(testsupport::kDiedAtRename);
    }
    using RenameFunction = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<RenameFunction>(dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}

namespace testsupport {

int RunDyingAtRename(const std::string& suffix, const std::function<void()>& work) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        g_dyingSuffix = suffix.c_str();
        work();
        _exit(0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace testsupport
