#pragma once
// The first character of a document's text that an encoding cannot store, and where it stands,
// for the message of a refused save: the user learns which character it is, where to find it
// (its line, and its character on the line as the caret counts them) and what can be done.

#include "service/document/GapBuffer.h"

#include <cstdint>
#include <string>

namespace tessel {

class TextEncoder;

struct UnstorableCharacter {
    int32_t offset = -1;
    int32_t line = 0;      // from 1
    int32_t character = 0; // from 1
    uint32_t codePoint = 0;
    bool unpairedSurrogate = false;
    // Another unpaired surrogate lies somewhere in the text.
    bool otherUnpairedSurrogates = false;
};

// Finds the first character of the text that the encoder refuses (its check failing); false
// when it refuses none alone. Reads the text in place; the encoder's check is run piece by piece,
// then on each character of the piece that failed.
bool find_unstorable_character(const GapBuffer& text, TextEncoder& encoder, UnstorableCharacter* o_found);

// What the message of a save refused for the character says after the encoding's name: which
// character, where, and what the user can do (never the encoding in use, which just failed).
std::wstring describe_unstorable_character(const UnstorableCharacter& found);

} // namespace tessel
