#include "dorvanex/core/play/NameFilter.h"

#include <cstring>

namespace {

// The longest name the play state keeps.
constexpr size_t NAME_SIZE = 6;

} // namespace

// In alphabetical order of the words.
const NameFilterRow NAME_FILTER[NAME_FILTER_ROWS] = {
    {2, "ANAL"}, {2, "ANUS"}, {2, "ARSE"}, {2, "ASS"},  {2, "BARF"}, {2, "BICH"}, {2, "BOOB"},
    {2, "BUTT"}, {2, "CLIT"}, {2, "COCK"}, {2, "COON"}, {2, "CRAP"}, {2, "CUMS"}, {1, "CUNT"},
    {2, "DAGO"}, {2, "DAMN"}, {2, "DICK"}, {2, "DIKE"}, {2, "DONG"}, {2, "DYKE"}, {2, "FAG"},
    {2, "FAGS"}, {2, "FART"}, {2, "FECK"}, {1, "FUCK"}, {2, "FUK"},  {2, "GIMP"}, {2, "GOOK"},
    {2, "HOE"},  {2, "HOMO"}, {2, "HOOR"}, {2, "JAP"},  {2, "JERK"}, {2, "JISM"}, {2, "JIZZ"},
    {2, "JUGS"}, {2, "KIKE"}, {2, "KKK"},  {2, "KNOB"}, {2, "KUNT"}, {2, "MILF"}, {2, "MUFF"},
    {1, "NAZI"}, {2, "NIGA"}, {2, "NUDE"}, {2, "ORGY"}, {2, "PAKI"}, {2, "PEE"},  {2, "PHUK"},
    {2, "PIMP"}, {2, "PISS"}, {2, "POO"},  {2, "POOP"}, {2, "PORN"}, {2, "PRIK"}, {2, "PUBE"},
    {2, "PUKE"}, {2, "PUSS"}, {2, "PUTO"}, {2, "QUIM"}, {2, "RAPE"}, {2, "SCUM"}, {2, "SEX"},
    {2, "SEXY"}, {2, "SHAG"}, {1, "SHIT"}, {2, "SKAG"}, {2, "SLAG"}, {2, "SLUT"}, {2, "SMEG"},
    {2, "SPAZ"}, {2, "SPIC"}, {2, "SPIK"}, {2, "STFU"}, {2, "SUCK"}, {2, "TARD"}, {2, "TIT"},
    {2, "TITS"}, {2, "TURD"}, {1, "TWAT"}, {2, "VAG"},  {3, "WANK"}, {2, "WHOR"}, {2, "WOG"},
    {2, "WOP"},  {2, "WTF"},  {2, "XXX"},  {2, "YID"},
};

void removeBlanks(const char* source, char* destination) {
    if (source == nullptr || destination == nullptr) {
        return;
    }
    for (; *source != 0; ++source) {
        if (*source != ' ') {
            *destination++ = *source;
        }
    }
    *destination = 0;
}

int32_t isNameAllowed(const char* const name) {
    // The whole name is checked: a six-byte name has no terminator, so copy by length.
    char text[NAME_SIZE + 1] = {};
    if (name != nullptr) {
        std::memcpy(text, name, strnlen(name, NAME_SIZE));
    }
    char compact[NAME_SIZE + 1] = {};
    removeBlanks(text, compact);
    for (const NameFilterRow& row : NAME_FILTER) {
        bool match = false;
        switch (row.kind) {
        case 1:
            match = std::strstr(compact, row.word) != nullptr;
            break;
        case 2:
            match = std::strcmp(compact, row.word) == 0;
            break;
        case 3:
            match = std::strncmp(compact, row.word, std::strlen(row.word)) == 0;
            break;
        default:
            break;
        }
        if (match) {
            return 0;
        }
    }
    return 1;
}
