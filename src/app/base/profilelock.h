// The program holds a lock in its profile's folder while it runs, so that
// tools changing that profile's files (ovtool marks...) can refuse instead
// of writing under the program's feet. A lock left by a crashed program is
// taken over.
#pragma once

#include <memory>
#include <string>

class QLockFile;

class ProfileLock {
public:
    // The lock of the current profile (application name); false when
    // another live process holds it.
    static bool AcquireForProgram();
    static void Release();
    // True when a running program holds the current profile's lock.
    static bool HeldByAnother();
    static std::string LockPath();

private:
    static std::unique_ptr<QLockFile> s_lock;
};
