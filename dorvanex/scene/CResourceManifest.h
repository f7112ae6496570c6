// The resource manifest: the 87 archive names and the 1,537 rows {archive number, file name
// inside the archive} that every asset is addressed by, as constant tables, with the lookups
// the resource manager and the data-set builder use. Rows are grouped by archive in archive
// order. Plain data; no file access.
#pragma once

#include <cstdint>

struct CResourceEntry {
    uint32_t archive;
    const char16_t* name; // may hold a folder part with a backslash
};

constexpr uint32_t NR_ARCHIVES = 87;
constexpr uint32_t NR_RESOURCES = 1537;

namespace manifest_data {
using ::NR_ARCHIVES;
using ::NR_RESOURCES;
extern const char16_t* const ARCHIVE_NAMES[NR_ARCHIVES];
extern const CResourceEntry ROWS[NR_RESOURCES];
} // namespace manifest_data

// Kinds of resources by file type (the resource manager's kinds).
enum RESOURCE_KIND : uint32_t {
    KIND_NONE = 0,
    KIND_MODEL = 1,
    KIND_TEXTURE = 2,
    KIND_ANIMATION = 3,
    KIND_TEXTURE_ANIMATION = 4,
    KIND_CAMERA_ANIMATION = 5,
    KIND_RAW = 6,
    KIND_FACE = 7,
    KIND_EFFECT_SET = 8,
    KIND_SOUND_EFFECT = 9,
    KIND_LAYOUT = 10,
    KIND_SOUND_LIST = 11,
    KIND_FONTS = 12,
};

// "Arc/" and the archive's name into the buffer (size in characters, with the terminator);
// false (empty text) for an archive number past the table or a buffer too small.
bool getArchivePath(uint32_t archive, char16_t* buffer, uint32_t size);
// The archive's file name; null past the table.
const char16_t* getArchiveName(uint32_t archive);
// The row of a manifest index; an index past the table gives archive 0xFFFFFFFF, name u"".
const CResourceEntry& getResourceEntry(uint32_t index);
// The first row of an archive and its number of rows.
uint32_t getArchiveFirstRow(uint32_t archive);
uint32_t getArchiveRowCount(uint32_t archive);
// The kind a file's extension stands for: .model 1, .png/.dds 2, .anime 3, .texanime 4,
// .camanime 5, .maf 7, .eff 8, .sound 9, .dld 10, .scd 11, .TTF 12 (case-insensitive);
// KIND_NONE otherwise.
uint32_t getResourceKindOfName(const char16_t* name);
