// The operator's 78 settings (sound levels, coins and prices, difficulty, tickets, network
// options, the operator clock, the bookkeeping switch), addressed by number 0..77 and kept
// in "testmode.dat" on both drives (DataFile.h). One store, made by the root task at start-up
// and read by the game, the chapters and the operator pages. Main thread only.
#pragma once

#include <cstdint>
#include <memory>

class CGameSettings {
public:
    static constexpr int32_t COUNT = 78;
    static constexpr uint32_t FILE_SIZE = COUNT * 4;
    static constexpr const char* FILE_NAME = "testmode.dat";
    // Flag bit of a defaults row: the factory reset restores the setting.
    static constexpr uint32_t FACTORY_RESET = 1;

    struct Row {
        int32_t value;
        uint32_t flags;
    };
    static const Row DEFAULTS[COUNT];

    // Makes the store (values 0 until load, defaults from the table): 0, or -1 when it
    // already exists (the first store stays).
    static int32_t create();
    // Null before create and after release.
    static CGameSettings* getInstance();
    static void release();

    // Setting n (0..77); out-of-range numbers read 0 and are not written. setValue neither
    // checks a range nor saves.
    int32_t getValue(int32_t n) const;
    void setValue(int32_t n, int32_t value);
    int32_t getDefault(int32_t n) const;
    // The operator clock offset in milliseconds: setting 33 the low, 34 the high half.
    int64_t getClockOffset() const;
    // The reset word (-1 after a reset), cleared by the call.
    int32_t takeResetFlag();
    // The value the network options page asks for.
    static constexpr int32_t getNetworkOptionValue() { return 37; }

    // 0 when the settings are usable (loaded, or written fresh on a first start); -1 when no
    // usable copy exists: the defaults are then in memory and nothing is written.
    int32_t load();
    // The result of the store's save (0, or negative naming the copies that failed); a
    // failure also leaves a line in the game's error log.
    int32_t save();
    // Every setting back to its default, the volumes applied, saved.
    int32_t resetAll();
    // The settings flagged for the factory reset back to their defaults, the coin settings
    // and volumes applied, saved.
    int32_t resetFactory();

    // The range check of a loaded file's 312 bytes.
    static bool isValidFile(const uint8_t* payload, uint32_t size);

    CGameSettings();

private:
    void applyVolumes() const;

    int32_t m_values[COUNT] = {};
    int32_t m_defaults[COUNT] = {};
    int32_t m_resetWord = 0;

    static std::unique_ptr<CGameSettings> m_pInstance;
};
