#include "TitrationCommands.h"

namespace ui {

DocumentCommand::DocumentCommand(TitrationDocument& document, const QString& text,
                                 bool changesData, core::RunFrom from,
                                 std::function<void(TitrationDocument&)> change)
    : TitrationCommand(text), m_document(document), m_changesData(changesData), m_from(from),
      m_change(std::move(change)), m_before(document.snapshot()) {}

void DocumentCommand::redo() {
    m_change(m_document);
    core::RecordingSink unseen;
    // Only the first, pushed with the window's sink, shows its messages.
    core::MessageSink* sink = m_document.m_commandSink;
    m_document.run(m_from, sink ? *sink : unseen);
}

void DocumentCommand::undo() {
    m_document.restore(m_before);
}

namespace {

QString pointCommandText(PointEditCommand::Field field, int point) {
    switch (field) {
    case PointEditCommand::Field::Use: return QStringLiteral("switch point %1").arg(point);
    case PointEditCommand::Field::Volume: return QStringLiteral("correct volume of point %1").arg(point);
    case PointEditCommand::Field::Emf: break;
    }
    return QStringLiteral("correct emf of point %1").arg(point);
}

} // namespace

PointEditCommand::PointEditCommand(TitrationDocument& document, Field field, int point,
                                   double value, const std::string& typed)
    : TitrationCommand(pointCommandText(field, point)), m_document(document), m_field(field),
      m_point(point), m_value(value), m_typed(typed) {
    const core::Point& p = document.titration().points[static_cast<std::size_t>(point - 1)];
    switch (field) {
    case Field::Use: m_oldValue = p.UsePoint ? 1 : 0; break;
    case Field::Volume:
        m_oldValue = p.Volume;
        m_oldTyped = p.volumeText;
        break;
    case Field::Emf:
        m_oldValue = p.EmfObs;
        m_oldTyped = p.emfText;
        break;
    }
}

void PointEditCommand::apply(double value, const std::string& typed) {
    switch (m_field) {
    case Field::Use: m_document.applyUse(m_point, value != 0); break;
    case Field::Volume: m_document.applyVolume(m_point, value, typed); break;
    case Field::Emf: m_document.applyEmf(m_point, value, typed); break;
    }
}

void PointEditCommand::redo() {
    apply(m_value, m_typed);
}

void PointEditCommand::undo() {
    apply(m_oldValue, m_oldTyped);
}

} // namespace ui
