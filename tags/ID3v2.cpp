#include "tags/ID3v2.h"

// PLACEHOLDER: the ID3v2 reader is being built; this refuses every file.
TID3v2::TID3v2() { Clear(); }
void TID3v2::Clear() {}
const PropertyTable& TID3v2::Properties() const { return BaseProperties(); }
bool TID3v2::LoadFromFile(const std::string&) { return false; }
bool TID3v2::StripFromFile(const std::string&) { return false; }
bool TID3v2::WriteToFile(const std::string&) { return false; }
void TID3v2::SetTitle(const std::string&) {}
void TID3v2::SetArtist(const std::string&) {}
void TID3v2::SetAlbum(const std::string&) {}
void TID3v2::SetYear(const std::string&) {}
void TID3v2::SetGenre(const std::string&) {}
void TID3v2::SetComment(const std::string&) {}
void TID3v2::SetComposer(const std::string&) {}
void TID3v2::SetEncoder(const std::string&) {}
void TID3v2::SetCopyright(const std::string&) {}
void TID3v2::SetLanguage(const std::string&) {}
void TID3v2::SetLink(const std::string&) {}
void TID3v2::SetLyrics(const std::string&) {}
