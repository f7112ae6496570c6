// The manifest's lookup tables: every character, event, action and effect number leads to a
// row of the right kind, a character's animations are its own or those of one of the four
// characters that have every action, and the model column follows the event.
#include "dorvanex/scene/CResourceManifest.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::u16string nameOf(const int32_t row) {
    return getResourceEntry(static_cast<uint32_t>(row)).name;
}

uint32_t kindOf(const int32_t row) {
    return getResourceKindOfName(getResourceEntry(static_cast<uint32_t>(row)).name);
}

// The athlete part of a file name ("SPChiM100mrun01.anime" -> "spchi"): names of one
// character share it, whatever the case of the rest.
std::u16string athleteOf(const int32_t row) {
    std::u16string prefix = nameOf(row).substr(0, 5);
    for (char16_t& c : prefix) {
        c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    return prefix;
}

} // namespace

TEST(CResourceManifestLookup, CharactersEventsAndActionsLeadToRowsOfTheirKind) {
    // The characters with every action of their own.
    std::set<std::u16string> full;
    std::set<int32_t> slots;
    for (int32_t c = 0; c < 10; ++c) {
        slots.insert(findCharacterSlot(c));
        if (findCharacterSlot(c) < 4) {
            full.insert(athleteOf(getCharacterModelResource(0, c)));
        }
    }
    EXPECT_EQ(slots.size(), 10u) << "the order holds each character once";
    EXPECT_EQ(full.size(), 4u);
    EXPECT_EQ(findCharacterSlot(10), 0) << "absent";

    for (int32_t c = 0; c < 10; ++c) {
        const std::u16string own = athleteOf(getCharacterModelResource(0, c));
        EXPECT_EQ(kindOf(getCharacterFace(c)), KIND_FACE) << c;
        EXPECT_EQ(athleteOf(getCharacterFace(c)), own) << c;
        for (int32_t e = 0; e < 10; ++e) {
            const int32_t model = getCharacterModelResource(e, c);
            EXPECT_EQ(kindOf(model), KIND_MODEL) << c << " " << e;
            EXPECT_EQ(athleteOf(model), own) << c << " " << e;
            std::vector<int32_t> animations;
            collectAnimations(e, c, animations);
            uint32_t actions = 0;
            for (const int32_t* a = getEventActionList(e); *a != -1; ++a) {
                ++actions;
            }
            ASSERT_EQ(animations.size(), 7u + actions) << c << " " << e;
            EXPECT_GT(actions, 0u) << e;
            for (size_t i = 0; i < animations.size(); ++i) {
                ASSERT_GE(animations[i], 0) << c << " " << e << " " << i;
                EXPECT_EQ(kindOf(animations[i]), KIND_ANIMATION) << animations[i];
                const std::u16string athlete = athleteOf(animations[i]);
                // Common actions and the actions of the four full characters are their own;
                // the others borrow only what they lack.
                if (i < 7 || findCharacterSlot(c) < 4) {
                    EXPECT_EQ(athlete, own) << animations[i];
                } else {
                    EXPECT_TRUE(athlete == own || full.count(athlete) != 0) << animations[i];
                }
            }
            std::vector<int32_t> extras;
            collectExtraResources(e, c, extras);
            for (const int32_t row : extras) {
                EXPECT_EQ(kindOf(row), KIND_MODEL) << row;
            }
        }
        // Fencing wears the masked model; the 100 m and the long jump the normal one, and
        // boxing its column 2.
        EXPECT_EQ(getCharacterModelResource(0, c), getCharacterModelResource(2, c));
        EXPECT_EQ(getCharacterModelResource(4, c), getCharacterModelResource(0, c));
        EXPECT_NE(getCharacterModelResource(9, c), getCharacterModelResource(0, c));
        EXPECT_EQ(getActionAnimation(c, -1), -1);
        EXPECT_EQ(getActionAnimation(c, 100000), -1);
    }
}

TEST(CResourceManifestLookup, ExtraListsRequestListsAndEffects) {
    const std::vector<int32_t> extras[10] = {{}, {}, {}, {}, {1, 2}, {5}, {}, {3, 4}, {6}, {0}};
    for (int32_t e = 0; e < 10; ++e) {
        std::vector<int32_t> got;
        for (const int32_t* column = getEventExtraList(e); *column != -1; ++column) {
            got.push_back(*column);
        }
        EXPECT_EQ(got, extras[e]) << e;
    }
    for (int32_t c = 0; c < 10; ++c) {
        uint32_t n = 0;
        for (const CResourceRequest* r = getCharacterRequestList(c); r->kind != 0; ++r, ++n) {
            EXPECT_EQ(kindOf(r->index), r->kind) << c;
        }
        EXPECT_EQ(n, c == 9 ? 2u : 0u) << c;
    }
    const CResourceRequest* const nine = getCharacterRequestList(9);
    EXPECT_EQ(nine[0].kind, KIND_MODEL);
    EXPECT_EQ(nine[1].kind, KIND_ANIMATION);

    for (int32_t id = 0; id < 40; ++id) {
        EXPECT_EQ(kindOf(getEffectResource(id)), KIND_EFFECT_SET) << id;
    }
    EXPECT_EQ(getEffectResource(11), getEffectResource(18)) << "one archive, two ids";
    EXPECT_EQ(getEffectResource(15), 16);
    EXPECT_EQ(getEffectResource(16), 15);
    for (int32_t e = 0; e < 10; ++e) {
        std::vector<int32_t> ids;
        collectEffects(e, ids);
        EXPECT_FALSE(ids.empty()) << e;
        for (const int32_t id : ids) {
            EXPECT_TRUE(id >= 0 && id < 40) << e << " " << id;
        }
    }
}
