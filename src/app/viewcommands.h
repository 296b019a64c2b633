// The commands of the 3D view (camera, render modes, views, grid, edit modes, undo),
// routed to the active document window's view. Their keys act only while a 3D view has
// the focus, so that the property panes receive plain letters.
#pragma once

#include <QList>
#include <functional>
#include <optional>

namespace orv {

class CMainFrame;
class CChildFrame;

// What a document window's 3D view offers for the command routing.
struct ViewCommandTarget {
    std::function<bool(int id)> run;
    std::function<bool(int id)> enabled;
    std::function<std::optional<bool>(int id)> checked;
};

void DefineViewCommands(CMainFrame& frame, const std::function<CChildFrame*()>& activeFrame);
QList<int> ViewCommandIds();
bool ViewCommandCheckable(int id);

}  // namespace orv
