#pragma once
// What the popup's buttons and clicks ask of the message actions. The popup
// only forwards; the actions find the message through the program-wide state
// as it stood when the message was presented.
#include <QPoint>
#include <Qt>

namespace vantor {

class PopupCommands {
public:
    virtual ~PopupCommands() = default;

    // AffichePopup is about to show a new message, whose identity is in the
    // program-wide state now (it may change while the popup is on screen).
    virtual void MessagePresente() {}

    // Reply: the open button and clicks on the labels and the background.
    virtual void OpenMail() = 0;
    virtual void CmdDel_Click() = 0;
    // index 0 high, 1 medium, 2 low priority.
    virtual void CmdFollow_Click(int index) = 0;
    virtual void CmdPJ_Click() = 0;
    // Any mouse button released on the folders button; the cursor position
    // in screen pixels, where the folder menu opens.
    virtual void CmdFolders_MouseUp(Qt::MouseButton bouton, QPoint positionEcran) = 0;
};

}  // namespace vantor
