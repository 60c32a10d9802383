// Keys from the bytes a terminal sends.
#include <algorithm>

#include "frontend/console/console.h"

namespace vrn::console {

namespace {

// The forms terminals send for the cursor, editing and function keys, in
// normal and application mode, beside what the terminfo entry says.
const std::pair<const char*, KeyCode> kCommonSequences[] = {
    {"\x1b[A", KeyCode::Up},       {"\x1bOA", KeyCode::Up},         {"\x1b[B", KeyCode::Down},
    {"\x1bOB", KeyCode::Down},     {"\x1b[C", KeyCode::Right},      {"\x1bOC", KeyCode::Right},
    {"\x1b[D", KeyCode::Left},     {"\x1bOD", KeyCode::Left},       {"\x1b[H", KeyCode::Home},
    {"\x1bOH", KeyCode::Home},     {"\x1b[1~", KeyCode::Home},      {"\x1b[7~", KeyCode::Home},
    {"\x1b[F", KeyCode::End},      {"\x1bOF", KeyCode::End},        {"\x1b[4~", KeyCode::End},
    {"\x1b[8~", KeyCode::End},     {"\x1b[3~", KeyCode::Delete},    {"\x1b[5~", KeyCode::PageUp},
    {"\x1b[6~", KeyCode::PageDown}, {"\x1b[Z", KeyCode::BackTab},   {"\x1bOP", KeyCode::F1},
    {"\x1b[11~", KeyCode::F1},     {"\x1b[[A", KeyCode::F1},        {"\x1bOQ", KeyCode::F2},
    {"\x1b[12~", KeyCode::F2},     {"\x1b[[B", KeyCode::F2},
};

// The length of the UTF-8 character that begins with `lead`, or 0 when it
// cannot begin one.
size_t Utf8Length(uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

KeyDecoder::KeyDecoder() {
    for (const auto& [sequence, code] : kCommonSequences) sequences_.emplace_back(sequence, code);
}

void KeyDecoder::AddSequence(std::string sequence, KeyCode code) {
    if (sequence.empty()) return;
    // A single control byte keeps its own meaning (a terminal that says
    // its Backspace sends ^H is answered by the control-character rule).
    if (sequence.size() == 1) return;
    sequences_.emplace_back(std::move(sequence), code);
}

void KeyDecoder::Feed(std::string_view bytes) { buffer_.append(bytes); }

bool KeyDecoder::Next(Key& key, bool final) {
    while (!buffer_.empty()) {
        const auto first = static_cast<uint8_t>(buffer_[0]);
        if (first == 0x1B) {
            // The longest key string that the buffer begins with.
            size_t matched = 0;
            KeyCode code = KeyCode::None;
            bool prefix = false;
            for (const auto& [sequence, c] : sequences_) {
                if (buffer_.compare(0, sequence.size(), sequence) == 0 && sequence.size() > matched) {
                    matched = sequence.size();
                    code = c;
                } else if (sequence.size() > buffer_.size() && sequence.compare(0, buffer_.size(), buffer_) == 0) {
                    prefix = true;
                }
            }
            if (matched > 0) {
                buffer_.erase(0, matched);
                key = Key{code, 0};
                return true;
            }
            if (prefix && !final) return false;
            // A lone Escape, or a sequence no entry knows: Escape, and an
            // unknown sequence's rest is dropped up to its final byte.
            size_t length = 1;
            if (buffer_.size() > 1 && (buffer_[1] == '[' || buffer_[1] == 'O')) {
                length = 2;
                while (length < buffer_.size() && (static_cast<uint8_t>(buffer_[length]) < 0x40 ||
                                                   static_cast<uint8_t>(buffer_[length]) > 0x7E))
                    ++length;
                length = std::min(length + 1, buffer_.size());
                buffer_.erase(0, length);
                continue;
            }
            buffer_.erase(0, 1);
            key = Key{KeyCode::Escape, 0};
            return true;
        }
        if (first >= 0x80) {
            const size_t length = Utf8Length(first);
            if (length == 0) {
                buffer_.erase(0, 1);   // not a character: dropped
                continue;
            }
            if (buffer_.size() < length) {
                if (!final) return false;
                buffer_.clear();
                continue;
            }
            char32_t c = first & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
            for (size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<uint8_t>(buffer_[i]) & 0x3F);
            buffer_.erase(0, length);
            key = CharKey(c <= 0xFF ? static_cast<int32_t>(c) : 0x100);
            return true;
        }
        buffer_.erase(0, 1);
        switch (first) {
        case '\r':
        case '\n': key = Key{KeyCode::Enter, 0}; return true;
        case '\t': key = Key{KeyCode::Tab, 0}; return true;
        case 0x7F:
        case 0x08: key = Key{KeyCode::Backspace, 0}; return true;
        case 0x03: key = Key{KeyCode::Interrupt, 0}; return true;
        case 0x15: key = Key{KeyCode::KillLine, 0}; return true;
        case 0x0C: key = Key{KeyCode::Redraw, 0}; return true;
        default: break;
        }
        if (first >= 0x20) {
            key = CharKey(first);
            return true;
        }
        // Other control characters mean nothing here.
    }
    return false;
}

Key ScriptedKeys::Next() {
    if (keys.empty()) return Key{KeyCode::Hangup, 0};
    const Key key = keys.front();
    keys.pop_front();
    return key;
}

// A script is written for the screens that wait; what happens while
// nothing waits (the extraction) is only an interrupt.
Key ScriptedKeys::Poll() {
    if (keys.empty() || keys.front().code != KeyCode::Interrupt) return Key{};
    return Next();
}

}  // namespace vrn::console
