#include "tags/ID3v1.h"

// PLACEHOLDER: the ID3v1 reader is being built; this refuses every file.
TID3v1::TID3v1() { Clear(); }
void TID3v1::Clear() {}
const PropertyTable& TID3v1::Properties() const { return BaseProperties(); }
bool TID3v1::LoadFromFile(const std::string&) { return false; }
bool TID3v1::StripFromFile(const std::string&) { return false; }
bool TID3v1::WriteToFile(const std::string&) { return false; }
std::string TID3v1::Genre() const { return {}; }
void TID3v1::SetTitle(const std::string&) {}
void TID3v1::SetArtist(const std::string&) {}
void TID3v1::SetAlbum(const std::string&) {}
void TID3v1::SetYear(const std::string&) {}
void TID3v1::SetComment(const std::string&) {}
std::string ID3v1GenreName(int) { return {}; }
