// The reader's window over its input, and the integer scan.
#include "input/scanner.h"

#include <algorithm>
#include <cstring>

// A source that says it is small gets a window of its size: a window of
// the full size would cost more to set up than the read.
Scanner::Scanner(ByteSource* src) : source(src) {
  cap = std::min(READ_WINDOW, std::max(SMALL_WINDOW, src->sizeHint()));
  bytes.reset(new unsigned char[cap + 1]);
  bytes[0] = 0;
}

size_t Scanner::refill(size_t from) {
  if (mark < from) from = mark;
  if (from > 0) {
    linesDropped += std::count(bytes.get(), bytes.get() + from, '\n');
    lastDropped = bytes[from - 1];
  }
  size_t kept = len - from;
  if (from > 0 && kept > 0) std::memmove(bytes.get(), bytes.get() + from, kept);
  len = kept;
  pos -= from;
  if (mark != NO_MARK) mark -= from;
  if (len == cap) {  // the marked text fills the window
    std::unique_ptr<unsigned char[]> bigger(new unsigned char[2 * cap + 1]);
    std::memcpy(bigger.get(), bytes.get(), len);
    bytes = std::move(bigger);
    cap *= 2;
  }
  // A source may give fewer bytes than asked for (a pipe does): the window
  // is filled as far as it goes, and only nothing at all means the end.
  while (!atEnd && len < cap) {
    size_t n = source->read(bytes.get() + len, cap - len);
    if (n == 0) atEnd = true;
    len += n;
    if (n < cap / 16) break;  // a slow pipe: parse what has come
  }
  bytes[len] = 0;
  return from;
}

bool Scanner::finish() {
  while (!atEnd) {
    pos = len;
    refill(pos);
  }
  return !failed();
}

int64_t Scanner::lineNumber() const {
  return linesDropped + std::count(bytes.get(), bytes.get() + pos, '\n') + 1;
}

void Scanner::skipLine() {
  for (int c = get(); c != EOF && c != '\n'; c = get()) {
  }
}

bool Scanner::skipSpace() {
  for (;;) {
    while (pos < len && isSpace(bytes[pos])) pos++;
    if (pos < len) return true;
    if (!more()) return false;
  }
}

std::string shownToken(const std::string& text, bool longer) {
  std::string shown;
  const size_t n = std::min(text.size(), TOKEN_SHOWN);
  for (size_t k = 0; k < n; k++) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    if (c >= 0x20 && c < 0x7f) {
      shown += char(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  if (longer || text.size() > TOKEN_SHOWN) shown += "...";
  return shown;
}

std::string Scanner::takeToken() {
  std::string text;
  bool longer = false;
  for (int c = peek(); c != EOF && !isSpace(c); c = peek()) {
    pos++;
    if (text.size() < TOKEN_SHOWN) text += char(c);
    else longer = true;
  }
  return shownToken(text, longer);
}

IntResult readInt(Scanner& in, int32_t& out, std::string& token) {
  if (!in.skipSpace()) return INT_EOF;
  const unsigned char* b = in.bytes.get();
  size_t p = in.pos;
  // The token is scanned in place. Should its sign run into the end of the
  // window, the window is refilled from the token's start; should its
  // digits, the digits so far are set aside (as many as a message shows)
  // and the window is refilled from where the scan is, so that a token of
  // any length costs no more memory than a window.
  size_t start = p;
  std::string head;  // the token's first bytes, once they have left the window
  bool negative = false;
  if (b[p] == '-' || b[p] == '+') {
    negative = b[p] == '-';
    p++;
    if (p == in.len && !in.atEnd) {
      size_t moved = in.refill(start);
      start -= moved;
      p -= moved;
      b = in.bytes.get();
    }
  }
  if (!isDigit(b[p])) {
    in.pos = start;
    return INT_NONE;
  }
  // The value stops growing once it is far out of range; a token that
  // long is an error anyway. Twelve digits cannot pass that bound, so the
  // first twelve go without the test.
  uint64_t value = 0;
  for (size_t stop = p + 12; p < stop && isDigit(b[p]); p++) value = value * 10 + uint64_t(b[p] - '0');
  for (;;) {
    for (; isDigit(b[p]); p++)
      if (value < (uint64_t(1) << 40)) value = value * 10 + uint64_t(b[p] - '0');
    if (p < in.len || in.atEnd) break;
    if (head.size() <= TOKEN_SHOWN)
      head.append(reinterpret_cast<const char*>(b) + start, std::min(p - start, TOKEN_SHOWN + 1 - head.size()));
    in.pos = p;
    p -= in.refill(p);
    start = p;
    b = in.bytes.get();
  }
  in.pos = p;
  if (value > (negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX))) {
    head.append(reinterpret_cast<const char*>(b) + start, std::min(p - start, TOKEN_SHOWN + 1));
    token = shownToken(head, false);
    return INT_RANGE;
  }
  out = negative ? int32_t(-int64_t(value)) : int32_t(value);
  return INT_OK;
}
