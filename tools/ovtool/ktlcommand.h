// Shared by the "ovtool ktl" subcommands: argument parsing and opening a map
// with its refusal message sent to stderr.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class CKartile;

// Numbers separated by commas ("1,2.5,-3"); false unless there are `count`.
bool ktlParseNumbers(const QString& text, int count, std::vector<double>& out);

// The value after an option at args[i] (moving i on), or false when missing.
bool ktlTakeValue(const QStringList& args, int& i, QString& value);

// The map at a path, open, or null after printing why not. Give it back
// with Destroy().
CKartile* ktlOpenMap(const QString& path);
