// The reader's view of its input: a window of bytes with a cursor.
//
// The input is read a window at a time: a file of hundreds of megabytes
// then costs the memory of the window, which is reused and stays in the
// cache, instead of as much fresh memory as the file is long. The bytes of
// the window are followed by one zero byte: a zero is neither white space,
// a sign nor a digit, so the scans of readInt stop at the end of the window
// without testing for it at every byte. Positions are offsets into the
// window; a refill moves the bytes still needed to its front. The one
// position the parser goes back to is kept as a mark.
//
// Line numbers, for messages, come from the line ends the refills drop,
// counted as they go, plus those of the window before the cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "input/source.h"

// Bytes the reader reads at a time; its window grows only for the text after
// a quantifier line when that is longer.
constexpr size_t READ_WINDOW = size_t(1) << 20;
// The smallest window (for a source that says it holds less).
constexpr size_t SMALL_WINDOW = size_t(1) << 12;

// Characters of an input token that a message shows; a longer one is cut
// there and "..." follows.
constexpr size_t TOKEN_SHOWN = 32;

// '\t', '\n', '\v', '\f' and '\r' are the codes 9 to 13.
inline bool isSpace(int c) { return c == ' ' || unsigned(c - '\t') <= unsigned('\r' - '\t'); }
inline bool isDigit(int c) { return unsigned(c - '0') <= 9u; }

enum IntResult { INT_OK, INT_NONE, INT_EOF, INT_RANGE };

struct Scanner {
  static constexpr size_t NO_MARK = SIZE_MAX;
  ByteSource* source = nullptr;
  std::unique_ptr<unsigned char[]> bytes;  // the window: cap bytes and the zero byte
  size_t cap = 0;
  size_t len = 0;          // bytes in the window
  size_t pos = 0;          // the cursor
  size_t mark = NO_MARK;   // a position the parser may go back to: kept by refills
  bool atEnd = false;      // the input has nothing more to give
  int64_t linesDropped = 0;  // line ends among the bytes refills dropped
  int lastDropped = '\n';    // the last byte dropped ('\n' before any: the input starts a line)

  explicit Scanner(ByteSource* src);
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Drops the bytes before `from` (a position <= pos; the mark is kept
  // too), moving the rest to the front, and reads more of the input behind
  // them, growing the window if it is full. Returns how far the kept bytes
  // moved, for the positions the caller holds.
  size_t refill(size_t from);
  // True if bytes remain at the cursor, reading more when the window is used up.
  bool more() {
    if (pos < len) return true;
    if (atEnd) return false;
    refill(pos);
    return pos < len;
  }
  // The next byte, or EOF at the end of the input.
  int get() { return more() ? bytes[pos++] : EOF; }
  // The next byte without taking it, or EOF.
  int peek() { return more() ? bytes[pos] : EOF; }
  // Reads what is left of the input, so that a read error anywhere in it is
  // seen; false if there was one.
  bool finish();
  bool failed() const { return source->failed(); }

  // Whether the cursor stands at the first byte of a line.
  bool atLineStart() const { return pos > 0 ? bytes[pos - 1] == '\n' : lastDropped == '\n'; }
  // The number (from 1) of the line the cursor is on.
  int64_t lineNumber() const;
  // Takes the rest of the line, its line end included.
  void skipLine();
  // Takes white space; false at the end of the input.
  bool skipSpace();
  // Takes the token at the cursor (the bytes up to the next white space)
  // and returns it as a message shows it: at most TOKEN_SHOWN bytes, "..."
  // after a longer one, bytes that are not printable as \xNN.
  std::string takeToken();
};

// Shows a token the way messages do (see Scanner::takeToken); `longer`
// says that the token went on beyond `text`.
std::string shownToken(const std::string& text, bool longer);

// Reads one decimal integer after optional white space, like scanf's %d:
// INT_EOF if only white space remains, INT_NONE if the next token is not an
// integer (the token, including a sign without digits, is left unread),
// INT_RANGE if it does not fit in 32 bits, with the token as shown in
// messages in `token`.
IntResult readInt(Scanner& in, int32_t& out, std::string& token);
