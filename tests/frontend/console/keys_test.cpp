// Keys from the bytes a terminal sends.
#include <gtest/gtest.h>

#include "frontend/console/console.h"

namespace vrn::console {
namespace {

std::vector<Key> Decode(KeyDecoder& decoder, std::string_view bytes, bool final = true) {
    decoder.Feed(bytes);
    std::vector<Key> keys;
    Key key;
    while (decoder.Next(key, final)) keys.push_back(key);
    return keys;
}

Key K(KeyCode code) { return Key{code, 0}; }

TEST(KeyDecoder, CursorAndFunctionKeysInBothModesAndTheTerminalsOwnStrings) {
    KeyDecoder decoder;
    EXPECT_EQ(Decode(decoder, "\x1b[A\x1bOB\x1b[C\x1bOD"),
              (std::vector<Key>{K(KeyCode::Up), K(KeyCode::Down), K(KeyCode::Right), K(KeyCode::Left)}));
    EXPECT_EQ(Decode(decoder, "\x1bOP\x1b[11~\x1b[3~\x1b[5~\x1b[6~\x1b[Z"),
              (std::vector<Key>{K(KeyCode::F1), K(KeyCode::F1), K(KeyCode::Delete), K(KeyCode::PageUp),
                                K(KeyCode::PageDown), K(KeyCode::BackTab)}));
    // A string the terminfo entry gives, longer than a built-in one that it
    // begins with.
    decoder.AddSequence("\x1b[1;5A", KeyCode::PageUp);
    EXPECT_EQ(Decode(decoder, "\x1b[1;5A\x1b[1~"), (std::vector<Key>{K(KeyCode::PageUp), K(KeyCode::Home)}));
    // A sequence nobody knows is dropped whole, not typed as text.
    EXPECT_EQ(Decode(decoder, "\x1b[99~x"), (std::vector<Key>{CharKey('x')}));
}

TEST(KeyDecoder, ALoneEscapeWaitsForTheRestOfASequenceUntilThereIsNone) {
    KeyDecoder decoder;
    // The first half of a key string: nothing yet.
    EXPECT_TRUE(Decode(decoder, "\x1b[", false).empty());
    EXPECT_EQ(Decode(decoder, "B", false), (std::vector<Key>{K(KeyCode::Down)}));
    EXPECT_TRUE(Decode(decoder, "\x1b", false).empty());
    EXPECT_TRUE(decoder.Pending());
    // No more bytes came: it was the Escape key.
    EXPECT_EQ(Decode(decoder, "", true), (std::vector<Key>{K(KeyCode::Escape)}));
    // Escape followed by a character that begins no sequence.
    EXPECT_EQ(Decode(decoder, "\x1bq", false), (std::vector<Key>{K(KeyCode::Escape), CharKey('q')}));
}

TEST(KeyDecoder, CharactersAndControlKeys) {
    KeyDecoder decoder;
    // é in UTF-8 is ISO 8859-1 0xE9; a character beyond ISO 8859-1 is marked.
    EXPECT_EQ(Decode(decoder, "\xC3\xA9\xE2\x82\xAC"), (std::vector<Key>{CharKey(0xE9), CharKey(0x100)}));
    // A UTF-8 character split over two reads.
    EXPECT_TRUE(Decode(decoder, "\xC3", false).empty());
    EXPECT_EQ(Decode(decoder, "\xA9", false), (std::vector<Key>{CharKey(0xE9)}));
    EXPECT_EQ(Decode(decoder, "\r\n\t\x7f\x08\x03\x15 "),
              (std::vector<Key>{K(KeyCode::Enter), K(KeyCode::Enter), K(KeyCode::Tab), K(KeyCode::Backspace),
                                K(KeyCode::Backspace), K(KeyCode::Interrupt), K(KeyCode::KillLine), CharKey(' ')}));
    // Other control characters and stray continuation bytes mean nothing.
    EXPECT_EQ(Decode(decoder, "\x01\x80z"), (std::vector<Key>{CharKey('z')}));
}

}  // namespace
}  // namespace vrn::console
