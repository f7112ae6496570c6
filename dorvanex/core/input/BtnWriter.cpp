#include "dorvanex/core/input/BtnWriter.h"

#include "zq/file/ZqByteWriter.h"
#include "zq/math/ZqMt19937Ar.h"

#include <cmath>
#include <limits>
#include <map>
#include <sstream>

namespace btnw {

namespace {

bool fail(std::string* const error, const std::string& why) {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

bool fits32(const size_t n) {
    return n <= std::numeric_limits<uint32_t>::max();
}

} // namespace

bool build(const btnfmt::Recording& r, std::vector<uint8_t>& image, std::string* const error) {
    if (r.generatorIndex > btnfmt::MAX_GENERATOR_INDEX) {
        return fail(error, "generator index above 624");
    }
    if (!fits32(r.buttons.size()) || !fits32(r.groups.size()) || !fits32(r.frameTimes.size())) {
        return fail(error, "too many entries");
    }
    for (const uint32_t b : r.buttons) {
        if (b >= btnfmt::BUTTON_LIMIT) {
            return fail(error, "watched button " + std::to_string(b) + " out of range");
        }
    }
    for (const btnfmt::Group& g : r.groups) {
        if (!std::isfinite(g.time)) {
            return fail(error, "group time not finite");
        }
        if (!fits32(g.events.size())) {
            return fail(error, "too many events");
        }
        for (const btnfmt::Event& e : g.events) {
            if (e.kind > btnfmt::KIND_OFF || e.button >= btnfmt::BUTTON_LIMIT) {
                return fail(error, "bad event");
            }
        }
    }
    ZqByteWriter w;
    w.u32(0);
    w.u32(static_cast<uint32_t>(r.buttons.size()));
    w.u32(static_cast<uint32_t>(r.groups.size()));
    w.u32(static_cast<uint32_t>(r.frameTimes.size()));
    w.u32(r.generatorIndex);
    for (const uint32_t word : r.generatorState) {
        w.u32(word);
    }
    for (const uint32_t t : r.frameTimes) {
        w.u32(t);
    }
    for (const uint32_t b : r.buttons) {
        w.u32(b);
    }
    for (const btnfmt::Group& g : r.groups) {
        w.f32(g.time);
        w.u32(static_cast<uint32_t>(g.events.size()));
        for (const btnfmt::Event& e : g.events) {
            w.u32(e.kind);
            w.u32(e.button);
        }
    }
    image = w.take();
    return true;
}

bool parse(const std::string& text, btnfmt::Recording& out, std::string* const error) {
    out = btnfmt::Recording{};
    std::map<float, std::vector<btnfmt::Event>> groups;
    std::istringstream in(text);
    std::string line;
    uint32_t lineNr = 0;
    auto bad = [&](const std::string& why) {
        return fail(error, "line " + std::to_string(lineNr) + ": " + why);
    };
    while (std::getline(in, line)) {
        ++lineNr;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.resize(hash);
        }
        std::istringstream s(line);
        std::string word;
        if (!(s >> word)) {
            continue;
        }
        if (word == "seed") {
            uint32_t seed = 0;
            if (!(s >> seed)) {
                return bad("seed needs a number");
            }
            const ZqMt19937Ar generator(seed);
            generator.getState(out.generatorState.data(), &out.generatorIndex);
        } else if (word == "frames") {
            std::string item;
            while (s >> item) {
                uint32_t count = 1;
                uint32_t time = 0;
                const size_t star = item.find('*');
                try {
                    if (star != std::string::npos) {
                        count = static_cast<uint32_t>(std::stoul(item.substr(0, star)));
                        time = static_cast<uint32_t>(std::stoul(item.substr(star + 1)));
                    } else {
                        time = static_cast<uint32_t>(std::stoul(item));
                    }
                } catch (const std::exception&) {
                    return bad("bad frame time '" + item + "'");
                }
                out.frameTimes.insert(out.frameTimes.end(), count, time);
            }
        } else if (word == "buttons") {
            uint32_t b = 0;
            while (s >> b) {
                out.buttons.push_back(b);
            }
        } else if (word == "on" || word == "off") {
            float time = 0.0f;
            if (!(s >> time)) {
                return bad("event needs a time");
            }
            std::vector<btnfmt::Event>& group = groups[time];
            uint32_t b = 0;
            while (s >> b) {
                group.push_back({word == "on" ? btnfmt::KIND_ON : btnfmt::KIND_OFF, b});
            }
        } else {
            return bad("unknown statement '" + word + "'");
        }
        s.clear();
        std::string rest;
        if (s >> rest) {
            return bad("unexpected text '" + rest + "'");
        }
    }
    for (auto& [time, events] : groups) {
        out.groups.push_back({time, std::move(events)});
    }
    return true;
}

} // namespace btnw
