#include "tools/dld/DldWriter.h"

#include "dorvanex/dld/CDldFormat.h"
#include "zq/file/ZqByteWriter.h"

#include <cstdio>
#include <map>
#include <sstream>
#include <stdexcept>

namespace dldw {

namespace {

bool fail(std::string* const error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

void putKeys(ZqByteWriter& w, const KeyTrack& t) {
    w.u32(static_cast<uint32_t>(t.keys.size()));
    for (const Key& k : t.keys) {
        w.i16(k.frame);
        if (t.kind == dldfmt::KEY_ALPHA) {
            w.u16(static_cast<uint16_t>(k.a));
        } else {
            w.i16(static_cast<int16_t>(k.a));
        }
        if (dldfmt::KEY_SIZE[t.kind] == 8) {
            w.i16(static_cast<int16_t>(k.b));
            w.u16(0);
        }
    }
}

KeyTrack defaultTrack(const uint32_t kind) {
    KeyTrack t;
    t.kind = kind;
    Key k;
    if (kind == dldfmt::KEY_SCALE) {
        k.a = k.b = 100;
    } else if (kind == dldfmt::KEY_ALPHA) {
        k.a = 255;
    }
    t.keys.push_back(k);
    return t;
}

} // namespace

bool build(const Layout& layout, std::vector<uint8_t>& image, std::string* const error) {
    // The pool: every key track the layout lists, then the defaults that are used.
    ZqByteWriter pool;
    std::vector<uint32_t> offsets;
    for (const KeyTrack& t : layout.keyTracks) {
        if (t.kind >= dldfmt::KEY_KINDS || t.keys.empty()) {
            return fail(error, "a key track needs a kind and at least one key");
        }
        for (size_t i = 1; i < t.keys.size(); ++i) {
            if (t.keys[i].frame < t.keys[i - 1].frame) {
                return fail(error, "key frames must ascend");
            }
        }
        offsets.push_back(static_cast<uint32_t>(pool.tell()));
        putKeys(pool, t);
    }
    uint32_t defaults[dldfmt::KEY_KINDS];
    for (uint32_t k = 0; k < dldfmt::KEY_KINDS; ++k) {
        defaults[k] = static_cast<uint32_t>(pool.tell());
        putKeys(pool, defaultTrack(k));
    }
    uint32_t trackCount = 0;
    for (const Layer& l : layout.layers) {
        trackCount += static_cast<uint32_t>(l.tracks.size());
    }
    if (layout.cells.size() > 0x7FFF || layout.layers.size() > 0x7FFF) {
        return fail(error, "too many cells or layers");
    }
    ZqByteWriter w;
    w.bytes(dldfmt::SIGNATURE, sizeof(dldfmt::SIGNATURE));
    const uint64_t total = dldfmt::HEADER_SIZE + uint64_t{dldfmt::CELL_SIZE} * layout.cells.size() +
                           uint64_t{dldfmt::LAYER_SIZE} * layout.layers.size() +
                           uint64_t{dldfmt::TRACK_SIZE} * trackCount + pool.tell();
    w.u32(static_cast<uint32_t>(total));
    w.u32(layout.version);
    w.u32(layout.textures);
    w.u32(static_cast<uint32_t>(layout.cells.size()));
    w.u32(static_cast<uint32_t>(layout.layers.size()));
    w.u32(trackCount);
    w.u32(static_cast<uint32_t>(pool.tell()));
    w.u32(0);
    for (const Cell& c : layout.cells) {
        w.u32(c.texture);
        w.u16(c.x);
        w.u16(c.y);
        w.u16(c.width);
        w.u16(c.height);
    }
    uint32_t first = 0;
    for (const Layer& l : layout.layers) {
        w.u16(l.width);
        w.u16(l.height);
        w.u32(static_cast<uint32_t>(l.tracks.size()));
        w.u32(first);
        w.u32(l.rate);
        w.u32(l.frames);
        w.u32(l.flags);
        w.zeros(8);
        first += static_cast<uint32_t>(l.tracks.size());
    }
    for (const Layer& l : layout.layers) {
        for (const Track& t : l.tracks) {
            w.u16(static_cast<uint16_t>((t.index & dldfmt::TARGET_INDEX) |
                                        (t.nested ? dldfmt::TARGET_LAYER : 0)));
            w.i16(t.first);
            w.i16(t.end);
            w.u16(0);
            for (uint32_t k = 0; k < dldfmt::KEY_KINDS; ++k) {
                const int32_t i = t.keys[k];
                if (i == DEFAULT_KEYS) {
                    w.u32(defaults[k]);
                } else if (i < 0 || static_cast<size_t>(i) >= layout.keyTracks.size() ||
                           layout.keyTracks[static_cast<size_t>(i)].kind != k) {
                    return fail(error, "a track names a missing key track or one of another kind");
                } else {
                    w.u32(offsets[static_cast<size_t>(i)]);
                }
            }
            w.u32(t.flags);
        }
    }
    w.bytes(pool.data().data(), pool.tell());
    image = w.take();
    return true;
}

bool parse(const std::string& text, Layout& out, std::string* const error) {
    static const std::map<std::string, uint32_t> kinds = {{"pos", dldfmt::KEY_POSITION},
                                                          {"scale", dldfmt::KEY_SCALE},
                                                          {"rot", dldfmt::KEY_ROTATION},
                                                          {"alpha", dldfmt::KEY_ALPHA},
                                                          {"pivot", dldfmt::KEY_PIVOT}};
    out = Layout();
    std::istringstream in(text);
    std::string line;
    int lineNr = 0;
    auto bad = [&](const std::string& why) {
        return fail(error, "line " + std::to_string(lineNr) + ": " + why);
    };
    while (std::getline(in, line)) {
        ++lineNr;
        try {

            const size_t hash = line.find('#');
            if (hash != std::string::npos) {
                line.resize(hash);
            }
            std::istringstream s(line);
            std::string word;
            if (!(s >> word)) {
                continue;
            }
            if (word == "version") {
                std::string v;
                s >> v;
                out.version = static_cast<uint32_t>(std::stoul(v, nullptr, 0));
            } else if (word == "textures") {
                s >> out.textures;
            } else if (word == "cell") {
                std::string tex;
                Cell c;
                s >> tex >> c.x >> c.y >> c.width >> c.height;
                c.texture =
                    tex == "-" ? dldfmt::CELL_NO_TEXTURE : static_cast<uint32_t>(std::stoul(tex));
                out.cells.push_back(c);
            } else if (word == "layer") {
                Layer l;
                std::string clip;
                s >> l.width >> l.height >> l.rate >> l.frames;
                if (s >> clip && clip == "clip") {
                    l.flags |= dldfmt::LAYER_CLIP;
                }
                out.layers.push_back(l);
            } else if (word == "track") {
                if (out.layers.empty()) {
                    return bad("track before any layer");
                }
                Track t;
                std::string what;
                s >> what >> t.index >> t.first >> t.end >> t.flags;
                t.nested = what == "layer";
                for (int32_t& k : t.keys) {
                    std::string ref;
                    if (!(s >> ref)) {
                        return bad("a track needs five key tracks");
                    }
                    k = ref == "-" ? DEFAULT_KEYS : std::stoi(ref);
                }
                out.layers.back().tracks.push_back(t);
            } else if (word == "keys") {
                std::string kind;
                s >> kind;
                const auto it = kinds.find(kind);
                if (it == kinds.end()) {
                    return bad("unknown key kind " + kind);
                }
                KeyTrack t;
                t.kind = it->second;
                std::string key;
                while (s >> key) {
                    Key k;
                    if (std::sscanf(key.c_str(), "%hd:%d,%d", &k.frame, &k.a, &k.b) < 2) {
                        return bad("bad key " + key);
                    }
                    t.keys.push_back(k);
                }
                out.keyTracks.push_back(t);
            } else {
                return bad("unknown statement " + word);
            }
            if (s.fail() && !s.eof()) {
                return bad("bad numbers");
            }
        } catch (const std::exception&) {
            return bad("bad number");
        }
    }
    return true;
}

} // namespace dldw
