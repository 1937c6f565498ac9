// A readable account of any .ovtf file, for support and tests: the file
// type from its magic, the nesting of sections, the polymorphic records of
// registered types, the sync sections decoded, texts, and the other bytes
// as hexadecimal. Fields are untyped on disk, so what is not recognised
// stays as raw bytes; nothing in the bytes can make this fail or run away.
#pragma once

#include <QJsonObject>
#include <string>

QJsonObject DescribeOvtf(const std::string& bytes);

// The file a magic belongs to ("marks.ovtf"...), or null.
const char* OvtfFileForMagic(uint32_t magic);
