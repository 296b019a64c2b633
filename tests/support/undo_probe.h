// Whether a document action left exactly one undo step or none, and whether Undo gives
// back the model byte for byte as a project file holds it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "document/document.h"
#include "formats/projectfile.h"
#include "test_util.h"

namespace orvtest {

inline std::vector<uint8_t> Saved(orv::CModel& m) { return orv::SaveProject(m, {}); }

inline void ExpectUndoRestores(orv::COrvaneDoc& doc, const std::vector<uint8_t>& before)
{
    orv::ViewState view;
    ASSERT_TRUE(Ok(doc.Undo(view)));
    EXPECT_TRUE(Saved(*doc.model) == before) << "Undo did not give back the model as it was";
}

// act changes the model as one new undo step, which Undo takes back exactly (unless undo
// is false: the step is left for the caller).
template <class F>
void ExpectOneStep(orv::COrvaneDoc& doc, F&& act, bool undo = true)
{
    const auto before = Saved(*doc.model);
    const std::size_t steps = doc.history.UndoList().size();
    act();
    EXPECT_EQ(doc.history.UndoList().size(), steps + 1) << "not one undo step";
    EXPECT_FALSE(Saved(*doc.model) == before) << "the model did not change";
    if (undo)
        ExpectUndoRestores(doc, before);
}

// act leaves the model as it was and the undo list alone.
template <class F>
void ExpectNoStep(orv::COrvaneDoc& doc, F&& act)
{
    const auto before = Saved(*doc.model);
    const std::size_t steps = doc.history.UndoList().size();
    act();
    EXPECT_EQ(doc.history.UndoList().size(), steps) << "an undo step for no change";
    EXPECT_TRUE(Saved(*doc.model) == before) << "the model changed";
}

}  // namespace orvtest
