#pragma once
// Frame reception: gathers what the line has received into FrameBuffer and,
// when a drain ends on a carriage return, hands the buffer to the device's
// DecodeFrame. Also the two rules by which decoders read a frame: taking a
// field by position and width, and the number rule FieldValue.
#include <cstddef>

constexpr size_t FrameCapacity = 20;
constexpr unsigned char FrameTerminator = 13;  // carriage return
constexpr size_t ShortestDecodedFrame = 6;     // a drain ending on CR with fewer decodes nothing
constexpr size_t FieldWidthMax = 4;            // the widest field any decoder reads

// The characters read since the last decode, as far as they fit; any byte
// value, NUL included.
struct FrameText {
  unsigned char chars[FrameCapacity];
  size_t length;
};
extern FrameText FrameBuffer;
// The last character read from the line, stored or dropped.
extern unsigned char LastChar;

// Drains the line into FrameBuffer and decodes it when the last character
// read is a carriage return and more than 5 characters are held.
void PollDevice();

// A field cut from a frame: the characters that exist at its positions.
struct Field {
  const unsigned char* chars;
  size_t length;
};
// The field at position (counted from 1) and width, cut short where the
// text ends; empty when the text ends before position. Width is capped at
// FieldWidthMax.
Field TakeField(const unsigned char* text, size_t length, size_t position, size_t width);
// The character at position (from 1), or -1 past the end of the text: a
// missing position equals no code character.
int CharAt(const unsigned char* text, size_t length, size_t position);
// The number rule: never fails. A well-formed number gives its value; any
// other field gives its digits run together, unsigned and unscaled.
double FieldValue(Field field);
