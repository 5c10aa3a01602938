/* Formats one journal line. Plain C without any library call, because the
   kernel driver, the user-mode DLLs and the host tests all share it:

     <ms> <CHAN> <KIND> <A> <B> <C>\r\n

   Every line fits in a JournalLine. Text fields longer than JOURNAL_TEXT_MAX
   characters are cut, and blanks or control characters in them become '_',
   so a line always has exactly six fields. */
#ifndef KORVANE_SIM_JOURNAL_FORMAT_H
#define KORVANE_SIM_JOURNAL_FORMAT_H

#define JOURNAL_TEXT_MAX 48
#define JOURNAL_LINE_MAX 192
/* Every writer holds an exclusive lock on the byte at this offset (times
   2^32, far past any end) while it appends: the appends then take turns. */
#define JOURNAL_TURN_LOCK_OFFSET_HIGH 0x100u

typedef struct JournalLine {
    char text[JOURNAL_LINE_MAX];
    unsigned int length;
} JournalLine;

static inline void JournalLine_Char(JournalLine* line, char c) {
    /* Two bytes stay free for the CRLF, one for the terminator. */
    if (line->length + 3 < JOURNAL_LINE_MAX) {
        line->text[line->length++] = c;
        line->text[line->length] = '\0';
    }
}

static inline void JournalLine_Dash(JournalLine* line) {
    JournalLine_Char(line, '-');
}

static inline void JournalLine_Text(JournalLine* line, const char* s) {
    unsigned int n;
    if (!s || !*s) {
        JournalLine_Dash(line);
        return;
    }
    for (n = 0; s[n] && n < JOURNAL_TEXT_MAX; ++n) {
        char c = s[n];
        JournalLine_Char(line, (c <= ' ' || c == 0x7F) ? '_' : c);
    }
}

static inline void JournalLine_Hex(JournalLine* line, unsigned int value) {
    static const char digits[] = "0123456789ABCDEF";
    int shift;
    JournalLine_Char(line, '0');
    JournalLine_Char(line, 'x');
    for (shift = 28; shift >= 0; shift -= 4) JournalLine_Char(line, digits[(value >> shift) & 0xFu]);
}

static inline void JournalLine_Decimal(JournalLine* line, unsigned long long value) {
    char reversed[24];
    int n = 0;
    do {
        reversed[n++] = (char)('0' + (int)(value % 10u));
        value /= 10u;
    } while (value && n < (int)sizeof(reversed));
    while (n > 0) JournalLine_Char(line, reversed[--n]);
}

/* The first four bytes of a buffer as a little-endian 32-bit value. */
static inline unsigned int JournalLine_LoadU32(const void* buffer) {
    const unsigned char* b = (const unsigned char*)buffer;
    return (unsigned int)b[0] | ((unsigned int)b[1] << 8) | ((unsigned int)b[2] << 16) | ((unsigned int)b[3] << 24);
}

static inline void JournalLine_Begin(JournalLine* line, unsigned long long ms, const char* channel, const char* kind) {
    line->length = 0;
    line->text[0] = '\0';
    JournalLine_Decimal(line, ms);
    JournalLine_Char(line, ' ');
    JournalLine_Text(line, channel);
    JournalLine_Char(line, ' ');
    JournalLine_Text(line, kind);
    JournalLine_Char(line, ' ');
}

static inline void JournalLine_End(JournalLine* line) {
    line->text[line->length++] = '\r';
    line->text[line->length++] = '\n';
    line->text[line->length] = '\0';
}

/* "<ms> <CHAN> OPEN - - -", "... CLOSE - - -". */
static inline void JournalLine_Event(JournalLine* line, unsigned long long ms, const char* channel, const char* kind) {
    JournalLine_Begin(line, ms, channel, kind);
    JournalLine_Text(line, "-");
    JournalLine_Char(line, ' ');
    JournalLine_Dash(line);
    JournalLine_Char(line, ' ');
    JournalLine_Dash(line);
    JournalLine_End(line);
}

/* "<ms> <CHAN> IOCTL 0x<code> 0x<value>|- <length>". */
static inline void JournalLine_Ioctl(JournalLine* line, unsigned long long ms, const char* channel, unsigned int code,
                                     int hasValue, unsigned int value, unsigned int length) {
    JournalLine_Begin(line, ms, channel, "IOCTL");
    JournalLine_Hex(line, code);
    JournalLine_Char(line, ' ');
    if (hasValue)
        JournalLine_Hex(line, value);
    else
        JournalLine_Dash(line);
    JournalLine_Char(line, ' ');
    JournalLine_Decimal(line, length);
    JournalLine_End(line);
}

/* "<ms> <CHAN> CALL <export> 0x<result>|- -". */
static inline void JournalLine_Call(JournalLine* line, unsigned long long ms, const char* channel, const char* name,
                                    int hasResult, unsigned int result) {
    JournalLine_Begin(line, ms, channel, "CALL");
    JournalLine_Text(line, name);
    JournalLine_Char(line, ' ');
    if (hasResult)
        JournalLine_Hex(line, result);
    else
        JournalLine_Dash(line);
    JournalLine_Char(line, ' ');
    JournalLine_Dash(line);
    JournalLine_End(line);
}

/* Windows system time (100 ns since 1601) to the journal's milliseconds. */
static inline unsigned long long JournalLine_Milliseconds(unsigned long long fileTime) {
    return fileTime / 10000u;
}

#endif
