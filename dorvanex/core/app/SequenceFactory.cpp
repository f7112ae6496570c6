#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/screens/CStandInChapter.h"

std::unique_ptr<CSequence> SequenceFactory(const int32_t number) {
    switch (number) {
    case 1:
    case 12:
    case 13:
    case 27:
    case 28:
    case 29:
    case 33:
    case 35:
        return nullptr;
    default:
        if (number < 0 || number > 42) {
            return nullptr;
        }
        return std::make_unique<CStandInChapter>(number);
    }
}
