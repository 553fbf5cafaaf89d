#pragma once

#include "Models/AppItem.h"
#include "Services/UninstallRecords.h"
#include "Views/UninstallSelection.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QScrollArea;

namespace corvanta {

// The modal sheet over the grid that shows the scan, then the plan for confirmation. It deletes
// nothing: it keeps the user's choice and hands it back through its three callbacks.
class UninstallConfirmationSheet : public QWidget {
    Q_OBJECT
public:
    using Plan = Uninstall::UninstallPlan;

    // `home` is the folder written as "~" in the leftover paths.
    explicit UninstallConfirmationSheet(QString home, QWidget* parent = nullptr);

    // Starts a new request: the choice starts over (bundle checked, nothing else).
    void begin();
    // The scanning card is shown while an application is set, whatever the plan.
    void setScanningApp(std::optional<AppItem> app);
    // A plan other than the current one resets the choice; an absent plan keeps it.
    void setPlan(std::optional<Plan> plan);

    const std::optional<AppItem>& scanningApp() const { return m_scanningApp; }
    const std::optional<Plan>& plan() const { return m_plan; }
    const UninstallSelection& selection() const { return m_selection; }

    // The application's icon as the grid cells draw it (the shared icon cache); without it the
    // header shows an empty icon square.
    std::function<QImage(const AppItem&)> iconFor;
    // What lies under the sheet, painted beneath the dimming where no compositor blends the
    // window with the grid; a null image leaves the backdrop translucent.
    void setBackdrop(QImage still);

    std::function<void()> onCancel;
    std::function<void(const Plan&, bool includeApp)> onConfirm;
    std::function<void(const Plan&)> onGrantPermission;

    // The card in the middle of the backdrop (the rest of the sheet is backdrop).
    QWidget* card() const { return m_card; }
    // Text of the reclaimable-space line, empty without a plan.
    QString reclaimableText() const;
    bool hasBlockingIssue() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    QWidget* buildScanningCard(const AppItem& app);
    QWidget* buildResultCard(const Plan& plan);
    QWidget* buildResidualList(const Plan& plan);
    void placeCard();
    void cancel();
    void confirmOrGrant();

    QString m_home;
    std::optional<AppItem> m_scanningApp;
    std::optional<Plan> m_plan;
    UninstallSelection m_selection;
    QPointer<QWidget> m_card;
    QPointer<QScrollArea> m_list;
    QImage m_backdrop;
};

} // namespace corvanta
