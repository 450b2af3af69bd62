// The names of the manifest files in a backup folder, and of the decrypted copy of Manifest.db
// that the decryption writes into its output folder (its spelling is fixed: other programs
// look for it).
#pragma once

namespace formats {

inline constexpr const char* kInfoPlistName = "Info.plist";
inline constexpr const char* kManifestPlistName = "Manifest.plist";
inline constexpr const char* kManifestDbName = "Manifest.db";
inline constexpr const char* kManifestMbdbName = "Manifest.mbdb";
inline constexpr const char* kDecryptedManifestDbName = "Manifest.db-decypted";

} // namespace formats
