// The resource manifest: the 87 archive names and the 1,537 rows {archive number, file name
// inside the archive} that every asset is addressed by, as constant tables, with the lookups
// the resource manager and the data-set builder use, and the tables that turn character,
// action, event and effect numbers into rows. Rows are grouped by archive in archive order.
// Plain data; no file access.
#pragma once

#include <cstdint>
#include <vector>

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

// A {manifest index, kind} pair of a request list; a list ends with kind 0.
struct CResourceRequest {
    int32_t index;
    uint32_t kind;
};

// Lookups by character (0 to 9), event (0 to 9), action and effect id (0 to 39). Indices are
// not checked beyond what is said; lists of numbers end with -1.
// Column 0 foil, 1 and 2 gloves (left, right), 3 held barbell, 4 resting barbell, 5 gun, 6 bat.
int32_t getCharacterResource(int32_t column, int32_t character);
int32_t getCharacterFace(int32_t character);
// The character's position in the character order (0 when absent).
int32_t findCharacterSlot(int32_t character);
// The character's model for the event: the fencing model for event 9, else the full one.
int32_t getCharacterModelResource(int32_t event, int32_t character);
// Actions 0 to 6 are common to every event, 7 on belong to events; -1 past the last action.
int32_t getActionAnimation(int32_t character, int32_t action);
const int32_t* getEventActionList(int32_t event);
// Appends the seven common actions' animations, then those of the event's action list.
void collectAnimations(int32_t event, int32_t character, std::vector<int32_t>& list);
// The event's columns of the character resource table.
const int32_t* getEventExtraList(int32_t event);
void collectExtraResources(int32_t event, int32_t character, std::vector<int32_t>& list);
// Resources a character needs beyond the others' (ended by kind 0).
const CResourceRequest* getCharacterRequestList(int32_t character);
int32_t getEffectResource(int32_t effect);
// Appends the event's effect ids.
void collectEffects(int32_t event, std::vector<int32_t>& list);
