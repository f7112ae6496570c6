// ZqGlQuery: one device query (occlusion, event, timestamps ...) from a fixed pool of 16, so
// that drawing code can bracket work with begin and end marks and read the result later
// without stalling. Queries are made anew after every device reset (a pending result is lost).
// Depends on: ZqGlSystem's device. create and release take the pool's lock; the rest is for
// the main thread.
#pragma once

#include "zq/memory/ZqFixList.h"
#include "zq/platform/gpu/gpu_fwd.h"

#include <cstdint>
#include <memory>

class ZqGlQuery : public ZqFixList<ZqGlQuery> {
public:
    // The device's query types, passed through unchanged.
    enum TYPE : uint32_t {
        TYPE_VCACHE = 4,
        TYPE_RESOURCEMANAGER = 5,
        TYPE_VERTEXSTATS = 6,
        TYPE_EVENT = 8,
        TYPE_OCCLUSION = 9,
        TYPE_TIMESTAMP = 10,
        TYPE_TIMESTAMPDISJOINT = 11,
        TYPE_TIMESTAMPFREQ = 12,
        TYPE_PIPELINETIMINGS = 13,
        TYPE_INTERFACETIMINGS = 14,
        TYPE_VERTEXTIMINGS = 15,
        TYPE_PIXELTIMINGS = 16,
        TYPE_BANDWIDTHTIMINGS = 17,
        TYPE_CACHEUTILIZATION = 18,
    };
    static constexpr uint32_t POOL_SIZE = 16;

    ~ZqGlQuery() override;

    // Null when the pool is empty or the device refuses the type.
    static ZqGlQuery* create(TYPE type);
    // Releases the device's query and gives the element back to the pool; the pool's result.
    uint32_t release();
    // True only when the device answers plain success.
    bool issueBegin();
    bool issueEnd();
    uint32_t getDataSize() const;
    // The device's answer unchanged: 0 with the result in data, 1 while not ready, an error
    // code otherwise.
    uint32_t getData(void* data, uint32_t size, bool flush);

private:
    friend class ZqGlSystem;
    friend class ZqFixList<ZqGlQuery>;

    ZqGlQuery() = default;

    static void sysInit();
    static void sysQuit();
    // Makes every live query anew on the reset device; throws 1048 when one is refused.
    static void onResetDevice();

    std::shared_ptr<zqp::gpu::Query> m_pD3dQuery;
    TYPE m_type = TYPE_EVENT;
};
