// Text lines in and out of a file, in ANSI or UTF-16 (little-endian, with the
// byte-order mark FF FE). A stream opened for reading keeps the form it found,
// so that a file is written back the way it came.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "setup/raw_file.h"

class CTCharStream {
public:
    enum Mode { kModeRead = 0, kModeWriteAnsi = 1, kModeWriteUnicode = 2 };
    enum Form { kFormAnsi = 1, kFormUnicode = 2 };

    // Closes an open file first. Mode 0 opens an existing file and detects its
    // form; modes 1 and 2 create or truncate (mode 2 writes the mark at once).
    bool OpenStream(const std::string& path, int mode);

    // Reads one line into buffer, which has room for size characters including
    // the terminator; on success size is the line's length. A line ends at a
    // line feed; a carriage return right before it, or before the end of the
    // file, is dropped, any other carriage return is kept as text. UTF-16 is
    // converted to the C run-time's multibyte set. Failures, all leaving the
    // position at the line's start:
    //  - end of file: size = -1, LastError() 0;
    //  - line too long: size = its length, LastError() 0 (read it again with a
    //    buffer of size + 1);
    //  - a read error, or a character the conversion cannot express
    //    (LastError() 13).
    // A line beginning with ";~^#" sets marker to the decimal number after it.
    bool ReadLine(char* buffer, long& size, unsigned long& marker);

    // Writes text and CR LF in the stream's form.
    bool WriteLine(std::string_view text);

    // False when written data could not be committed.
    bool Close();

    bool IsOpen() const { return file_.IsOpen(); }
    int GetMode() const { return mode_; }
    int GetForm() const { return form_; }
    std::uint32_t LastError() const { return error_; }

private:
    bool Fill();  // appends one block to pending_; false on a read error

    RawFile file_;
    int mode_ = kModeRead;
    int form_ = kFormAnsi;
    std::string pending_;       // bytes read but not yet consumed
    std::size_t scanned_ = 0;   // bytes of pending_ already searched for a line feed
    bool atEnd_ = false;
    std::uint32_t error_ = 0;
};
