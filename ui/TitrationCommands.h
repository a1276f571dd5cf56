#pragma once

#include "TitrationDocument.h"

#include <QUndoCommand>
#include <functional>

namespace ui {

/// A change by hand on the document's undo stack.
class TitrationCommand : public QUndoCommand {
public:
    using QUndoCommand::QUndoCommand;
    /// Whether the change is one of the data file (a point), not of the boxes.
    virtual bool changesData() const = 0;
};

/// A change that calculates. Redo makes the change and runs the calculation;
/// undo gives back the titration and the results of before, kept with the
/// command, so that they are exactly the ones the window showed. A redo after
/// an undo starts from that same titration and so gives the same results again;
/// only the first sends its messages.
class DocumentCommand : public TitrationCommand {
public:
    DocumentCommand(TitrationDocument& document, const QString& text, bool changesData,
                    core::RunFrom from, std::function<void(TitrationDocument&)> change);
    void redo() override;
    void undo() override;
    bool changesData() const override { return m_changesData; }

private:
    TitrationDocument& m_document;
    bool m_changesData;
    core::RunFrom m_from;
    std::function<void(TitrationDocument&)> m_change;
    DocumentSnapshot m_before;
};

/// A point's use, volume or emf changed in the grid: nothing is calculated.
class PointEditCommand : public TitrationCommand {
public:
    enum class Field { Use, Volume, Emf };
    PointEditCommand(TitrationDocument& document, Field field, int point, double value,
                     const std::string& typed);
    void redo() override;
    void undo() override;
    bool changesData() const override { return true; }

private:
    void apply(double value, const std::string& typed);

    TitrationDocument& m_document;
    Field m_field;
    int m_point;
    double m_value, m_oldValue = 0;
    std::string m_typed, m_oldTyped;
};

} // namespace ui
