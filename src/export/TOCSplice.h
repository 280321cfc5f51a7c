#pragma once
// The files beside the HTML document while its table of contents is built,
// and the splice that puts the TOC into the document.
#include <cstdint>
#include <string>

// FileName with its last extension replaced by Extension (".toc"): only
// the file name counts, not dots in folder names; a name without extension
// gets Extension appended. A name whose extension already is Extension gets
// it appended as well ("doc.toc" -> "doc.toc.toc"), so the sibling is never
// the file itself.
std::string SiblingFileName(const std::string& FileName, const std::string& Extension);

// The TOC file T and the merge file M of the document F.
std::string TOCFileName(const std::string& MainFile);
std::string MergeFileName(const std::string& MainFile);

// Splices TOCFile into MainFile at byte offset InsertAt: writes MergeFile
// with the first InsertAt bytes of MainFile (all of it when it is
// shorter), every byte of TOCFile, then the rest of MainFile; moves
// MergeFile over MainFile and deletes TOCFile. The three names must be
// three different files.
//
// Any failure raises EFileError naming the file concerned. Up to the move,
// a failure keeps MainFile and TOCFile untouched and removes MergeFile. A
// failure to delete TOCFile after the move leaves the finished document and
// reports that TOCFile is still there.
void SpliceTOC(const std::string& MainFile, const std::string& TOCFile,
               const std::string& MergeFile, std::uint64_t InsertAt);
