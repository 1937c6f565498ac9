// Reasons for the program to keep working while it is in the background
// (a download in progress, for instance). On a desktop the list is normally
// empty; the data connection keeps its input running while it is not.
#pragma once

#include <string>

// A reason is counted once however often it is added.
void AddBackgroundActivity(const std::string& reason);
void RemoveBackgroundActivity(const std::string& reason);
bool HasBackgroundActivity();
