#pragma once
// The steps one computer's check shares between a round and the immediate check: the
// lines, the service recoveries, the plug-in loop, and the test that the target list still
// means what it meant before a yield.

#include <QString>
#include <QtGlobal>

#include <memory>

class CheckForm;
class ClsPingData;
class ClsPortData;

namespace checkround {

class ComputerCheck {
protected:
    ComputerCheck(CheckForm& form, std::shared_ptr<ClsPingData> item);

    // Yields and tells whether the target list was left alone meanwhile (it was not
    // emptied, rebuilt or re-sorted); when it was, the check must end.
    bool yieldOk(int times = 1);
    bool listUnchanged() const;
    // The computer or its group was switched off under a yield since this check began
    // (asked only where followSwitch_ is set): what the check still finds then comes too
    // late and is dropped, so the "NoCheck" node keeps its image and nothing is stored.
    bool switchedOff() const;

    // "(name:address)"
    QString who() const;
    // The echo line of a good (or skipped) echo.
    QString echoLine(const QString& pingMsg) const;
    void bothLists(const QString& line);
    void setImage(const QString& key, const QString& image);
    QString computerImage() const;

    // The key of this computer's port ("$") or plug-in ("%") node; when the tree has no
    // such node, the key it would have, so a failure is still announced as a port's or a
    // plug-in's.
    QString serviceKeyOf(const QString& prefix, qint32 subNo) const;
    // The port entry at a position, null when the list no longer reaches it (a dialog
    // removed entries during a yield).
    std::shared_ptr<ClsPortData> portAt(int position) const;
    // A port that answered: its node back to "SStart", with its status row.
    void portAnswered(const QString& serviceKey, qint32 port);
    // The assigned plug-ins in list order. False when the target list changed under a
    // yield; true, with the rest skipped, when the computer was switched off meanwhile.
    bool plugins();

    CheckForm& form_;
    std::shared_ptr<ClsPingData> item_;
    quint64 generation_;
    QString computerKey_;
    bool followSwitch_ = false;  // the round's checks: the immediate check was asked for
};

}  // namespace checkround
