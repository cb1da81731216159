// The one reader of a settings record (the bytes of a kestrel.cnf): the
// system loads its settings through it and kestrel-util shows a file
// through it, so both see the same values.
//
// What it decides for records that are not exactly ours:
//  - fewer than 12 bytes, or a magic other than 0x177d5753: not a record;
//    the settings are the defaults;
//  - the record's length is its `size` field, cut to the bytes present and
//    to our 2152 bytes (a longer record is read up to our end, never past);
//  - a field the record holds whole is taken; a field it holds only in part
//    or not at all takes its default (never a mix of file and default
//    bytes), and the result names the first such field;
//  - a text field without its terminator is cut to its last unit, so that
//    no reader of the settings runs past the field.
#pragma once

#include <cstdint>

#include "boot/BootSettings.h"

class SettingsReader {
  public:
    struct Result {
        bool accepted;             // the bytes are a settings record
        uint32_t recordBytes;      // record bytes used (0 when not accepted)
        const char* firstDefault;  // first field filled from the defaults; null when none
    };

    // A field of the record, in record order.
    struct Field {
        const char* name;
        uint32_t offset;
        uint32_t bytes;
        bool text;
    };

    // Reads `length` bytes into `settings` (always fully set afterwards).
    static Result read(const uint8_t* bytes, uint32_t length, BootSettings& settings);

    // The record's fields in order, ended by a field with a null name.
    static const Field* fields();
};
