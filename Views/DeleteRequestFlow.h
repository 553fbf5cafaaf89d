#pragma once

#include "Models/AppItem.h"
#include "Services/UninstallRecords.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

namespace corvanta {

class InteractionManager;
class TilehallContentView;
class UninstallConfirmationSheet;

// A modal alert the flow asks its host to run above the overlay.
struct UninstallAlert {
    QString message;
    QString informativeText;
    bool critical = false;
    bool operator==(const UninstallAlert&) const = default;
};

// What the user is told after an uninstall: what went, what stayed and what failed, with paths.
// Nothing when everything asked for went.
std::optional<UninstallAlert> uninstallResultAlert(const Uninstall::UninstallPlan& plan, bool includeApp,
                                                   const Uninstall::UninstallOutcome& outcome, const QString& home);

// The delete badge's flow: refuses protected applications, shows the sheet while the plan is
// built, and runs a confirmed plan. Every request carries a ticket; a plan that arrives for an
// earlier or cancelled request is dropped.
class DeleteRequestFlow : public QObject {
    Q_OBJECT
public:
    using Plan = Uninstall::UninstallPlan;
    using Outcome = Uninstall::UninstallOutcome;
    using Ticket = quint64;

    struct Dependencies {
        TilehallContentView* root = nullptr;
        InteractionManager* engine = nullptr;
        UninstallConfirmationSheet* sheet = nullptr; // not owned
        std::function<bool(const AppItem&)> isProtected;
        std::function<Ticket(const AppItem&, std::function<void(Ticket, Plan)>)> makePlan;
        std::function<void(Ticket)> cancelPlan;
        std::function<void(const Plan&, bool includeApp, std::function<void(Outcome)>)> uninstall;
        std::function<void(const QString& url)> openSystemSettings;
        // Shows or hides the sheet's window above the overlay.
        std::function<void(UninstallConfirmationSheet*, bool visible)> showSheet;
        std::function<void(const UninstallAlert&)> runAlert;
        QString home; // written as "~" in the alert's paths
    };

    explicit DeleteRequestFlow(Dependencies dependencies, QObject* parent = nullptr);

    void requestDelete(const AppItem& app);
    void confirmUninstall(const Plan& plan, bool includeApp);
    void grantUninstallPermission(const Plan& plan);
    void cancel();

    // The request whose plan would be shown; 0 when none is waiting.
    Ticket pendingTicket() const { return m_ticket; }

private:
    void deliver(Ticket ticket, Plan plan);
    void closeSheet();
    void rootStateChanged();
    void executeDelete(const Plan& plan, bool includeApp);

    Dependencies m_deps;
    Ticket m_ticket = 0;
    bool m_sheetShown = false;
};

} // namespace corvanta
