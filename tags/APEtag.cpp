#include "tags/APEtag.h"

// PLACEHOLDER: the APE tag reader is being built; this refuses every file.
TAPEtag::TAPEtag() { Clear(); }
void TAPEtag::Clear() {}
const PropertyTable& TAPEtag::Properties() const { return BaseProperties(); }
bool TAPEtag::LoadFromFile(const std::string&) { return false; }
bool TAPEtag::StripFromFile(const std::string&) { return false; }
bool TAPEtag::WriteToFile(const std::string&) { return false; }
void TAPEtag::SetTitle(const std::string&) {}
void TAPEtag::SetArtist(const std::string&) {}
void TAPEtag::SetAlbum(const std::string&) {}
void TAPEtag::SetYear(const std::string&) {}
void TAPEtag::SetGenre(const std::string&) {}
void TAPEtag::SetComment(const std::string&) {}
void TAPEtag::SetCopyright(const std::string&) {}
