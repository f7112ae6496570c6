// Writer-made skeletons for the body and box-tree tests: the model pool started without the
// rest of the framework (a model without submodels needs no graphics device), and models of
// bones with bind positions, parents and bone boxes.
#pragma once

#include "ZqModelWriter.h"
#include "zq/gl/ZqGlModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zqdgtest {

struct BoneSpec {
    int parent;
    float x, y, z;
    float boxMin[3];
    float boxMax[3];
};

class ModelPool : public ::testing::Test {
protected:
    void SetUp() override { ZqGlModel::sysInit(); }
    void TearDown() override { ZqGlModel::sysQuit(); }

    static ZqGlModel* makeModel(const char16_t* name, const std::vector<BoneSpec>& bones) {
        zq_model_writer::Model m;
        for (size_t i = 0; i < bones.size(); ++i) {
            zq_model_writer::Bone b;
            b.name = "bone" + std::to_string(i);
            b.parent = bones[i].parent;
            b.bind = zq_model_writer::Matrix::translation(bones[i].x, bones[i].y, bones[i].z);
            for (int k = 0; k < 3; ++k) {
                b.boxMin[k] = bones[i].boxMin[k];
                b.boxMax[k] = bones[i].boxMax[k];
            }
            m.bones.push_back(b);
        }
        m.materials.emplace_back();
        const std::vector<uint8_t> bytes = zq_model_writer::write(m);
        return ZqGlModel::create(0, name, bytes.data(), static_cast<unsigned int>(bytes.size()));
    }
};

} // namespace zqdgtest
