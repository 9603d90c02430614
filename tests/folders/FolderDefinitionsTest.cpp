// The folder table and the after-fill steps, filled from a real database the
// way each view's first fill runs.
#include "folders/FolderDefinitions.h"

#include "FolderTestHome.h"
#include "folders/GridBinding.h"
#include "grid/GridTable.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

namespace {

using vellum::text::FromUtf8;

class FolderAfterFillSteps : public FolderTestHome
{
protected:
    GridTable m_grid;
    CGridBinding m_binding;

    void Fill(const char* name, const std::string& user)
    {
        const FolderDefinition& folder = *FindFolder(name);
        m_binding.AttachGrid(&m_grid);
        DeclareFolder(m_binding, folder, user);
        m_binding.SetupColumns();
        ASSERT_EQ(m_binding.Fill(&m_session), 1) << m_binding.GetLastErrorText();
        ApplyAfterFill(m_binding, folder);
    }
};

} // namespace
