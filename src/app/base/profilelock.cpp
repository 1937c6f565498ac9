#include "app/base/profilelock.h"

#include <QLockFile>

#include "app/base/directories.h"

std::unique_ptr<QLockFile> ProfileLock::s_lock;

std::string ProfileLock::LockPath() {
    return getAppDirectory() + "/orvanta.lock";
}

bool ProfileLock::AcquireForProgram() {
    if (s_lock) return true;
    auto lock = std::make_unique<QLockFile>(QString::fromStdString(LockPath()));
    // Never stale by age: the program may run for weeks. A dead owner's lock
    // is still taken over (QLockFile checks the process).
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) return false;
    s_lock = std::move(lock);
    return true;
}

void ProfileLock::Release() {
    s_lock.reset();
}

bool ProfileLock::HeldByAnother() {
    if (s_lock) return false;
    QLockFile probe(QString::fromStdString(LockPath()));
    probe.setStaleLockTime(0);
    if (!probe.tryLock(0)) return probe.error() == QLockFile::LockFailedError;
    probe.unlock();
    return false;
}
