// ZquVirtualInput: virtual buttons, axes and POVs over the physical buttons, axes and POVs of
// ZqInput's devices, so that the game asks for "button 3 of input set 0" and never for a
// device. An assignment names its device by slot or by VID/PID; assignments by VID/PID follow
// a controller to whatever slot it is plugged into, and several virtual inputs share out
// several controllers of one VID/PID. The layout loads from and saves to an XML file.
// Objects come from a pool of 4. Main thread only. Depends on ZqInput, ZqFixList and ZqXml.
#pragma once

#include "zq/memory/ZqFixList.h"

#include <array>
#include <cstdint>
#include <vector>

class ZqInput;

class ZquVirtualInput : public ZqFixList<ZquVirtualInput> {
public:
    static constexpr unsigned int NR_POOL = 4;
    static constexpr unsigned int NR_DEVICES = 8;
    static constexpr uint32_t MAX_ASSIGNMENTS = 188;
    static constexpr uint32_t MAX_BUTTONS = 15;
    static constexpr uint32_t MAX_AXES = 7;
    static constexpr uint32_t MAX_POVS = 3;
    // The result of a refused assignment, and the device number of an assignment by VID/PID.
    static constexpr uint32_t INVALID = 0xFFFFFFFFu;
    static constexpr int16_t AXIS_MAX = 32767;

    // One assignment of a physical object to a virtual one. The option depends on the pair of
    // object types:
    //   button -> axis   0: held adds -32767, 1: +32767
    //   button -> POV    0..3: held adds the unit vector up, right, down, left
    //   axis -> button   0: pressed while negative, 1: while positive
    //   axis -> POV      0: - down + up, 1: - left + right, 2: - up + down, 3: - right + left
    //   POV -> button    0..3: pressed while in the sector up, right, down, left
    //   POV -> axis      0: down -32767 up +32767, 1: left/right, 2: up/down, 3: right/left
    //   same types       ignored
    struct AssignmentData {
        // Slot 0..7, or INVALID when the device is named by vidPid.
        uint32_t deviceNr;
        // 0 when by slot; else product id << 16 | vendor id (keyboard 0x00010000, mouse
        // 0x00020000, extension device 0x00030000).
        uint32_t vidPid;
        uint32_t objectType;
        uint32_t objectNr;
        uint32_t virtualObjectType;
        uint32_t virtualObjectNr;
        int32_t option;
    };

    // Pool start and stop; sysMain rebinds assignments in a frame where devices changed.
    static void sysInit();
    static void sysMain();
    static void sysQuit();

    // A virtual input with room for 1..188 assignments, 0..15 buttons, 0..7 axes and 0..3
    // POVs; null outside those limits, with the pool empty or without memory.
    static ZquVirtualInput* create(uint32_t maxAssignments, uint32_t nrButtons, uint32_t nrAxes,
                                   uint32_t nrPovs);
    // Removes every assignment and returns the object to the pool; returns 0.
    unsigned int release();

    // Adds an assignment; its index, or INVALID when refused (nothing changes then).
    uint32_t assign(const AssignmentData* data);
    uint32_t assignByDeviceNr(uint32_t deviceNr, uint32_t objectType, uint32_t objectNr,
                              uint32_t virtualObjectType, uint32_t virtualObjectNr, int32_t option);
    uint32_t assignByVidPid(uint32_t vidPid, uint32_t objectType, uint32_t objectNr,
                            uint32_t virtualObjectType, uint32_t virtualObjectNr, int32_t option);
    uint32_t assignButtonByDeviceNr(uint32_t deviceNr, uint32_t buttonNr, uint32_t virtualButtonNr);
    uint32_t assignButton(uint32_t vidPid, uint32_t buttonNr, uint32_t virtualButtonNr);
    uint32_t assignAxisByDeviceNr(uint32_t deviceNr, uint32_t axisNr, uint32_t virtualAxisNr);
    uint32_t assignAxis(uint32_t vidPid, uint32_t axisNr, uint32_t virtualAxisNr);
    uint32_t assignPovByDeviceNr(uint32_t deviceNr, uint32_t povNr, uint32_t virtualPovNr);
    uint32_t assignPov(uint32_t vidPid, uint32_t povNr, uint32_t virtualPovNr);

    // False for an index not in use.
    bool removeAssignment(uint32_t index);
    bool setAssignmentEnable(uint32_t index, bool enable);
    // True for an index in use; data may be null to only test.
    bool getAssignment(uint32_t index, AssignmentData* data) const;
    // The device the assignment reads; null when unbound or not in use.
    ZqInput* getAssignedDevice(uint32_t index) const;
    uint32_t getMaxAssignments() const { return m_maxAssignments; }
    uint32_t getNrAssignments() const { return m_nrAssignments; }
    uint32_t getNrButtons() const { return m_nrButtons; }
    uint32_t getNrAxes() const { return m_nrAxes; }
    uint32_t getNrPovs() const { return m_nrPovs; }

    // The first non-zero answer of the button's assignments this frame; 0 for none.
    uint8_t getButton(uint32_t n) const;
    uint8_t getButtonOn(uint32_t n) const;
    uint8_t getButtonOff(uint32_t n) const;
    uint8_t getButtonRepeat(uint32_t n) const;
    // The sum of the axis's assignments, clamped to -32767..32767.
    int16_t getAxis(uint32_t n) const;
    // The direction of the sum of the POV's assignments in hundredths of a degree clockwise
    // from up; -1 when they cancel or none is active.
    int getPov(uint32_t n) const;

    // Loads a layout: creates one virtual input per "virtualDevice" element into array (1..3
    // entries) and makes its assignments. False for a missing, empty or too large file or any
    // bad element or value; the objects made before the failure stay.
    static bool loadConfiguration(const char16_t* path, uint32_t maxFileSize,
                                  ZquVirtualInput** array, uint32_t count);
    // Saves every virtual input, oldest first, as a layout in UTF-16.
    static bool saveConfiguration(const char16_t* path);

    // Per device slot, the virtual input that has claimed it for its assignments by VID/PID.
    static ZquVirtualInput* m_vpDeviceUsed[NR_DEVICES];

private:
    friend class ZqFixList<ZquVirtualInput>;
    ZquVirtualInput() = default;
    ~ZquVirtualInput() override = default;

    struct Assignment {
        ZqInput* pDevice = nullptr;
        uint32_t vidPid = 0;
        bool enabled = false;
        AssignmentData data{};
        // The list the assignment is in; null while free.
        Assignment** pHead = nullptr;
        Assignment* pNext = nullptr;
        Assignment* pPrev = nullptr;
    };
    // Reads one physical object on one device for a virtual button: the value, or 1 when an
    // axis or POV lies on the assigned side; 0 when not.
    enum class Edge : uint8_t { Held, On, Off, Repeat };

    uint8_t readButton(uint32_t n, Edge edge) const;
    bool isByVidPid(const Assignment& a) const { return a.data.deviceNr == INVALID; }
    void findDevice(Assignment& a);
    bool ownsBoundVidPid(uint32_t vidPid) const;
    // Walks the assignments of a list with their devices (and, when this is the only virtual
    // input, the further devices of the same VID/PID), calling fn until it returns true.
    template <typename Fn> bool walk(const Assignment* head, Fn fn) const;
    static bool isSingle();

    uint16_t m_maxAssignments = 0;
    uint16_t m_nrAssignments = 0;
    uint16_t m_nrButtons = 0;
    uint16_t m_nrAxes = 0;
    uint16_t m_nrPovs = 0;
    std::vector<Assignment> m_assignments;
    Assignment* m_pFreeAssignment = nullptr;
    std::array<Assignment*, MAX_BUTTONS> m_pButtons{};
    std::array<Assignment*, MAX_AXES> m_pAxes{};
    std::array<Assignment*, MAX_POVS> m_pPovs{};
};
