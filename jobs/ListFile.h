// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace vantaro {

// One entry of a list file: a link line and the title line that follows it, as written.
struct ListFileEntry {
    std::string link;
    std::string title;
};

// Reads a list file, two lines per entry. A line ends with LF or CRLF; any CR not part of a line
// end is dropped; the first Ctrl-Z (code 26) ends the file; lines may be of any length and blank
// lines count like any other. A file that ends after a link line gives that entry an empty title.
class ListFileReader {
public:
    enum class Result { Entry, End, Error };

    // Reads from an open stream that the caller keeps open and closes; chunkSize is the size of
    // each read (a small one exercises lines that straddle reads).
    explicit ListFileReader(std::FILE* stream, std::size_t chunkSize = 64 * 1024);

    // The next entry; End at the end of the file; Error when a read fails (see errorNumber()).
    Result readEntry(ListFileEntry& entry);

    // The errno of the failed read, after Error.
    int errorNumber() const { return m_errorNumber; }

private:
    enum class LineResult { Line, End, Error };
    LineResult readLine(std::string& line);
    // Refills the buffer; false at the end of the data (or on error, with m_errorNumber set).
    bool fill();

    std::FILE* m_stream;
    std::vector<char> m_buffer;
    std::size_t m_position = 0;
    std::size_t m_length = 0;
    bool m_ended = false; // end of data or Ctrl-Z reached
    int m_errorNumber = 0;
};

// The file name and MP3 title a loaded title line gives: every space becomes "-", and so does
// every "/", so that the name stays inside its folder, and every NUL, which would end the path
// where the system reads it.
std::string titleToFileName(const std::string& title);

} // namespace vantaro
