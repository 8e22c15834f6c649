#include "catalogue/catalogue_lists.h"

#include "catalogue/census.h"
#include "platform/list_box.h"
#include "shared/app_state.h"
#include "shared/identifiers.h"

static_assert(CATALOGUE_LIST_STYLE == 0x50A00003, "list style");

namespace {

const int LIST_WIDTH = 200;
const int LIST_HEIGHT = 230;

HWND CreateCatalogueList(HWND window, int id, int x)
{
    return CreateWindowExW(0, L"LISTBOX", nullptr, CATALOGUE_LIST_STYLE,
                           x, 0, LIST_WIDTH, LIST_HEIGHT, window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           g_app.instance, nullptr);
}

}  // namespace

void CreateCatalogueLists(HWND window)
{
    g_app.allList = CreateCatalogueList(window, ID_LIST_ALL, 0);
    g_app.topmostList = CreateCatalogueList(window, ID_LIST_TOPMOST, LIST_WIDTH);
}

void RebuildCatalogue(HWND window)
{
    g_app.fillMode = true;
    DestroyWindow(g_app.allList);
    DestroyWindow(g_app.topmostList);
    CreateCatalogueLists(window);
    g_app.topmostCount = 0;
    g_app.totalCount = 0;
    RunCensus();
    g_app.fillMode = false;
}

void CheckForChanges(HWND window)
{
    g_app.totalCount = 0;
    g_app.topmostCount = 0;
    RunCensus();
    // Only the numbers are compared: an unchanged desktop costs two
    // LB_GETCOUNT and no list traffic or repaint.
    if (ListGetCount(g_app.allList) != g_app.totalCount) {
        RebuildCatalogue(window);
        return;
    }
    if (ListGetCount(g_app.topmostList) != g_app.topmostCount)
        RebuildCatalogue(window);
}
