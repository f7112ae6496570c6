// The virtual-input layout file: a UTF-16 XML document whose "deviceConfig" root holds one
// "virtualDevice" element per virtual input and, inside it, one "assign" element per
// assignment. Every value is outside data and is checked before use.
#include "zq/u/vinput/ZquVirtualInput.h"

#include "zq/file/ZqFile.h"
#include "zq/input/ZqInput.h"
#include "zq/system/ZqSprintf.h"
#include "zq/xml/ZqXml.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr char16_t ROOT[] = u"deviceConfig";
constexpr char16_t DEVICE[] = u"virtualDevice";
constexpr char16_t ASSIGN[] = u"assign";
constexpr char16_t NR_ASSIGNMENTS[] = u"nrAssignments";
constexpr char16_t NR_BUTTONS[] = u"nrButtons";
constexpr char16_t NR_AXES[] = u"nrAxes";
constexpr char16_t NR_POVS[] = u"nrPovs";
constexpr char16_t DEVICE_NR_OR_VID_PID[] = u"deviceNrOrVidPid";
constexpr char16_t OBJECT_TYPE[] = u"objectType";
constexpr char16_t OBJECT_NR[] = u"objectNr";
constexpr char16_t VIRTUAL_OBJECT_TYPE[] = u"virtualObjectType";
constexpr char16_t VIRTUAL_OBJECT_NR[] = u"virtualObjectNr";
constexpr char16_t OPTION[] = u"option";
constexpr char16_t TEMPLATE[] = u"<?xml version=\"1.0\" encoding=\"utf-16\"?><deviceConfig/>";
constexpr const char16_t* TYPE_NAMES[] = {u"BUTTON", u"AXIS", u"POV"};
constexpr size_t MAX_DEVICE_TEXT = 11;
constexpr uint32_t MAX_LAYOUTS = 3;

// The whole file when it is neither empty nor longer than maxSize bytes.
bool readLayout(const char16_t* const path, const uint32_t maxSize, std::vector<uint8_t>& out) {
    if (path == nullptr || maxSize == 0) {
        return false;
    }
    ZqFile::Io io;
    uint32_t size = std::min(maxSize, ZqFile::MAX_FILE_SIZE);
    if (!io.ropen(path, 1, &size)) {
        return false;
    }
    out.resize(size);
    const bool read = io.read(out.data(), size) == size;
    return io.close() && read;
}

bool isBlank(const char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

int digitValue(const char16_t c, const uint32_t base) {
    int v = -1;
    if (c >= u'0' && c <= u'9') {
        v = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
        v = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
        v = c - u'A' + 10;
    }
    return v;
}

// Digits of one base filling text[begin, end) exactly, below 2^32.
bool readNumber(const ZqString& text, size_t begin, const size_t end, const uint32_t base,
                uint32_t& out) {
    if (begin >= end) {
        return false;
    }
    uint64_t value = 0;
    for (; begin < end; ++begin) {
        const int digit = digitValue(text[begin], base);
        if (digit < 0) {
            return false;
        }
        value = value * base + static_cast<uint64_t>(digit);
        if (value > UINT32_MAX) {
            return false;
        }
    }
    out = static_cast<uint32_t>(value);
    return true;
}

// "deviceNrOrVidPid": a VID/PID written with "0x" (hexadecimal), else a decimal slot number.
// Blanks may surround the number; anything else is refused.
bool readDevice(const ZqString& text, uint32_t& deviceNr, uint32_t& vidPid) {
    if (text.size() > MAX_DEVICE_TEXT) {
        return false;
    }
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    const bool hex = end - begin > 2 && text[begin] == u'0' &&
                     (text[begin + 1] == u'x' || text[begin + 1] == u'X');
    if (hex) {
        deviceNr = ZquVirtualInput::INVALID;
        return readNumber(text, begin + 2, end, 16, vidPid);
    }
    vidPid = 0;
    return readNumber(text, begin, end, 10, deviceNr);
}

bool readType(const ZqXml::Node& node, const char16_t* const name, uint32_t& type) {
    ZqString text;
    if (!node.getAttribute(name, &text)) {
        return false;
    }
    for (uint32_t t = 0; t < 3; ++t) {
        if (text == TYPE_NAMES[t]) {
            type = t;
            return true;
        }
    }
    return false;
}

// The element children of a node, comments left out; false when another kind of node is
// among them (whitespace between elements is not kept by the parser).
bool elementChildren(const ZqXml::Node& node, std::vector<ZqXml::Node>& out) {
    const unsigned int n = node.getNrChildren();
    for (unsigned int i = 0; i < n; ++i) {
        const ZqXml::Node child = node.getChildNode(i);
        const ZqXml::Node::TYPE type = child.getNodeType();
        if (type == ZqXml::Node::NODE_COMMENT) {
            continue;
        }
        if (type != ZqXml::Node::NODE_ELEMENT) {
            return false;
        }
        out.push_back(child);
    }
    return true;
}

bool isNamed(const ZqXml::Node& node, const char16_t* const name) {
    ZqString text;
    return node.getNodeName(&text) && text == name;
}

bool addText(ZqXml& xml, ZqXml::Node& parent, const char16_t* const text) {
    return parent.addChild(xml.createTextNode(text)).isValid();
}

} // namespace

bool ZquVirtualInput::loadConfiguration(const char16_t* const path, const uint32_t maxFileSize,
                                        ZquVirtualInput** const array, const uint32_t count) {
    if (array == nullptr || count < 1 || count > MAX_LAYOUTS) {
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!readLayout(path, maxFileSize, bytes)) {
        return false;
    }
    ZqXml xml(maxFileSize);
    if (!xml.load(bytes.data(), static_cast<unsigned int>(bytes.size()))) {
        return false;
    }
    const ZqXml::Node root = xml.getRootElement();
    std::vector<ZqXml::Node> devices;
    if (!isNamed(root, ROOT) || !elementChildren(root, devices) || devices.size() > count) {
        return false;
    }

    // First pass: one virtual input per element, in document order.
    for (size_t i = 0; i < devices.size(); ++i) {
        int nrAssignments = -1;
        int nrButtons = -1;
        int nrAxes = -1;
        int nrPovs = -1;
        if (!isNamed(devices[i], DEVICE) ||
            !devices[i].getAttribute(NR_ASSIGNMENTS, &nrAssignments) ||
            !devices[i].getAttribute(NR_BUTTONS, &nrButtons) ||
            !devices[i].getAttribute(NR_AXES, &nrAxes) ||
            !devices[i].getAttribute(NR_POVS, &nrPovs)) {
            return false;
        }
        // The limits of create, so that every layout that saves also loads.
        if (nrAssignments < 1 || nrAssignments > static_cast<int>(MAX_ASSIGNMENTS) ||
            nrButtons < 0 || nrButtons > static_cast<int>(MAX_BUTTONS) || nrAxes < 0 ||
            nrAxes > static_cast<int>(MAX_AXES) || nrPovs < 0 ||
            nrPovs > static_cast<int>(MAX_POVS)) {
            return false;
        }
        array[i] = create(static_cast<uint32_t>(nrAssignments), static_cast<uint32_t>(nrButtons),
                          static_cast<uint32_t>(nrAxes), static_cast<uint32_t>(nrPovs));
        if (array[i] == nullptr) {
            return false;
        }
    }

    // Second pass: the assignments of each.
    for (size_t i = 0; i < devices.size(); ++i) {
        std::vector<ZqXml::Node> assigns;
        if (!elementChildren(devices[i], assigns) ||
            assigns.size() > array[i]->getMaxAssignments()) {
            return false;
        }
        for (const ZqXml::Node& node : assigns) {
            ZqString device;
            AssignmentData d{};
            int objectNr = 0;
            int virtualObjectNr = 0;
            int option = 0;
            if (!isNamed(node, ASSIGN) || !node.getAttribute(DEVICE_NR_OR_VID_PID, &device) ||
                !readDevice(device, d.deviceNr, d.vidPid) ||
                !readType(node, OBJECT_TYPE, d.objectType) ||
                !readType(node, VIRTUAL_OBJECT_TYPE, d.virtualObjectType) ||
                !node.getAttribute(OBJECT_NR, &objectNr) ||
                !node.getAttribute(VIRTUAL_OBJECT_NR, &virtualObjectNr) ||
                !node.getAttribute(OPTION, &option)) {
                return false;
            }
            // Numbers are kept as written; a negative one names no object and is refused or
            // reads nothing.
            d.objectNr = static_cast<uint32_t>(objectNr);
            d.virtualObjectNr = static_cast<uint32_t>(virtualObjectNr);
            d.option = option;
            if (array[i]->assign(&d) == INVALID) {
                return false;
            }
        }
    }
    return true;
}

bool ZquVirtualInput::saveConfiguration(const char16_t* const path) {
    if (m_pCriticalSection == nullptr) {
        return false;
    }
    ZqXml xml(0);
    if (!xml.loadText(TEMPLATE)) {
        return false;
    }
    ZqXml::Node root = xml.getRootElement();

    // The used list runs newest first; the file lists the oldest first.
    std::vector<const ZquVirtualInput*> all;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        for (const ZquVirtualInput* v = getUsed(); v != nullptr; v = v->getNext()) {
            all.insert(all.begin(), v);
        }
    }
    for (const ZquVirtualInput* const v : all) {
        ZqXml::Node device = xml.createElement(DEVICE);
        if (!device.setAttribute(NR_ASSIGNMENTS, static_cast<int>(v->m_maxAssignments)) ||
            !device.setAttribute(NR_BUTTONS, static_cast<int>(v->m_nrButtons)) ||
            !device.setAttribute(NR_AXES, static_cast<int>(v->m_nrAxes)) ||
            !device.setAttribute(NR_POVS, static_cast<int>(v->m_nrPovs))) {
            return false;
        }
        for (const Assignment& a : v->m_assignments) {
            if (a.pHead == nullptr) {
                continue;
            }
            const AssignmentData& d = a.data;
            char16_t deviceText[16] = {};
            if (d.deviceNr == INVALID) {
                zqSprintf(deviceText, 16, u"0x%08x", d.vidPid);
            } else {
                zqSprintf(deviceText, 16, u"%u", d.deviceNr);
            }
            ZqXml::Node assign = xml.createElement(ASSIGN);
            if (!assign.setAttribute(DEVICE_NR_OR_VID_PID, deviceText) ||
                !assign.setAttribute(OBJECT_TYPE, TYPE_NAMES[d.objectType]) ||
                !assign.setAttribute(OBJECT_NR, static_cast<int>(d.objectNr)) ||
                !assign.setAttribute(VIRTUAL_OBJECT_TYPE, TYPE_NAMES[d.virtualObjectType]) ||
                !assign.setAttribute(VIRTUAL_OBJECT_NR, static_cast<int>(d.virtualObjectNr)) ||
                !assign.setAttribute(OPTION, static_cast<int>(d.option)) ||
                !addText(xml, device, u"\n") || !device.addChild(assign).isValid()) {
                return false;
            }
        }
        if (!addText(xml, device, u"\n") || !addText(xml, root, u"\n") ||
            !root.addChild(device).isValid()) {
            return false;
        }
    }
    if (!addText(xml, root, u"\n")) {
        return false;
    }
    return xml.save(path);
}
