#pragma once
// The About box: the program's icon, title, version and description. It is
// shown without being modal and discarded when closed; an owner has at most
// one open at a time.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <array>

namespace vantor {

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    // The fixed description: 200 characters, ending with a space.
    static const QString kDescription;
    // Client area in twips; pixels follow the screen's dots per inch.
    static constexpr int kLargeurTwips = 5730;
    static constexpr int kHauteurTwips = 3165;

    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    // The engraved separator: white (0) under grey (1).
    std::array<QFrame*, 2> Line1{};

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void createControls();
    void Form_Load();
    void placeAuCentre();

    bool place_ = false;
};

// Shows the About box of `owner` (a window), or brings the one already open
// forward; answers the dialog shown.
frmAbout* montrerAPropos(QWidget* owner);

}  // namespace vantor
