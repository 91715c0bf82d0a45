#include "vehicle/copy/TableCopyProcedures.h"

#include "vehicle/data/TableData.h"
#include "vehicle/data/TableDataRepository.h"

namespace vehicle {

namespace {

std::unique_ptr<Parser> MakeParser(const std::string& expression) {
  auto parser = std::make_unique<Parser>(expression);
  parser->SetVariable("pi", 3.141592653589793);
  parser->SetVariable("e", 2.718281828459045);
  return parser;
}

}  // namespace

TableCopyProcedures::TableCopyProcedures(const TableCopyProcedures& other)
    : associations_(other.associations_) {
  CopyParsersFrom(other);
}

TableCopyProcedures& TableCopyProcedures::operator=(const TableCopyProcedures& other) {
  if (this != &other) {
    associations_ = other.associations_;
    parsers_.clear();
    CopyParsersFrom(other);
  }
  return *this;
}

void TableCopyProcedures::CopyParsersFrom(const TableCopyProcedures& other) {
  for (const auto& entry : other.parsers_)
    parsers_.emplace(entry.first, std::make_unique<Parser>(*entry.second));
}

// ---------------------------------------------------------------- building

TableCopyProcedures TableCopyProcedures::BuildTableCopyProcedures(
    const TableDataRepository& tables) {
  TableCopyProcedures procedures;
  procedures.parsers_.emplace(std::string(), MakeParser("x"));
  for (const auto& entry : tables.GetTables()) {
    const TableData& slave = *entry.second;
    if (!slave.GetTable() || !slave.IsSlave())
      continue;
    const std::string& master_id = slave.GetMasterTableId();
    const std::string& transform = slave.GetTable()->GetTransformForMasterToSlaveDataCopy();
    for (const auto& axis : slave.GetAxisHash()) {
      procedures.BuildAndInsertAssociation(master_id, axis.first, slave.GetTableId(),
                                           axis.first == AXIS_Z ? transform : std::string());
    }
  }
  return procedures;
}

void TableCopyProcedures::BuildAndInsertAssociation(const std::string& sourceTableId,
                                                    const axis_types_t& axis,
                                                    const std::string& targetTableId,
                                                    const std::string& transform) {
  if (!transform.empty())
    ParserFor(transform);
  associations_.push_front({sourceTableId, axis, targetTableId, transform});
}

Parser& TableCopyProcedures::ParserFor(const std::string& transform) {
  auto found = parsers_.find(transform);
  if (found == parsers_.end())
    found = parsers_.emplace(transform, MakeParser(transform.empty() ? "x" : transform)).first;
  return *found->second;
}

const Parser* TableCopyProcedures::GetParser(const std::string& transform) const {
  auto found = parsers_.find(transform);
  return found == parsers_.end() ? nullptr : found->second.get();
}

// ---------------------------------------------------------------- applying

bool TableCopyProcedures::Resolve(const TableAxisTransformAssociation& association,
                                  const TableDataRepository& tables,
                                  std::shared_ptr<TableData>& source,
                                  std::shared_ptr<TableData>& target) const {
  source = tables.GetTable(association.source_table_id);
  target = tables.GetTable(association.target_table_id);
  if (!source || !target || !source->IsBuilt() || !target->IsBuilt())
    return false;
  std::shared_ptr<AxisData> from = source->GetAxisData(association.axis);
  std::shared_ptr<AxisData> to = target->GetAxisData(association.axis);
  // An axis the two tables share is already in step with itself.
  if (from && from == to)
    return false;
  // A transform applied to the bytes it reads would be applied again to its
  // own output on every save.
  return association.transform.empty() || !(from && to && to->IsSharedAxis(from));
}

bool TableCopyProcedures::AreCopyableTablesEqual(const TableDataRepository& tables) {
  std::shared_ptr<TableData> source, target;
  for (const TableAxisTransformAssociation& association : associations_) {
    if (!Resolve(association, tables, source, target))
      continue;
    const bool equal =
        association.transform.empty()
            ? target->AxisEquals(*source, association.axis)
            : target->AxisEquals(*source, association.axis, ParserFor(association.transform));
    if (!equal)
      return false;
  }
  return true;
}

void TableCopyProcedures::ExecuteCopyOperations(const TableDataRepository& tables) {
  std::shared_ptr<TableData> source, target;
  for (const TableAxisTransformAssociation& association : associations_) {
    if (!Resolve(association, tables, source, target))
      continue;
    if (association.transform.empty())
      target->CopyAxis(*source, association.axis);
    else
      target->CopyAxis(*source, association.axis, ParserFor(association.transform));
  }
}

void TableCopyProcedures::ChangeTableId(const std::string& oldId, const std::string& newId) {
  for (TableAxisTransformAssociation& association : associations_) {
    if (association.source_table_id == oldId)
      association.source_table_id = newId;
    if (association.target_table_id == oldId)
      association.target_table_id = newId;
  }
}

}  // namespace vehicle
