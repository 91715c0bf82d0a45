#pragma once

#include <list>
#include <map>
#include <memory>
#include <string>

#include "outside/Parser.h"
#include "vehicle/Enumerations.h"

namespace vehicle {

class TableData;
class TableDataRepository;

// Keeps slave tables in step with their masters: one association per axis
// of every slave table, copying the master's axis of the same role, the body
// through the slave's transform expression when it has one.
//
// Associations hold table ids, not table objects, so they can be applied to
// any repository built from the same definition. An association whose
// source or target table is missing from that repository (taken out by the
// feature remover, renamed, failed to build) is skipped. So is a transformed
// association whose two axes read the same ROM bytes: applying the transform
// to its own output on every save would drift without end.
class TableCopyProcedures {
 public:
  // One copy step: `axis` of `target_table_id` receives `axis` of
  // `source_table_id`, passed through `transform` when it is not empty.
  struct TableAxisTransformAssociation {
    std::string source_table_id;
    axis_types_t axis = AXIS_INVALID;
    std::string target_table_id;
    std::string transform;
  };
  typedef std::list<TableAxisTransformAssociation> Associations;

  TableCopyProcedures() = default;
  // Copies get parsers of their own.
  TableCopyProcedures(const TableCopyProcedures& other);
  TableCopyProcedures& operator=(const TableCopyProcedures& other);
  TableCopyProcedures(TableCopyProcedures&&) noexcept = default;
  TableCopyProcedures& operator=(TableCopyProcedures&&) noexcept = default;
  virtual ~TableCopyProcedures() = default;

  // The procedures of every slave table in `tables`.
  static TableCopyProcedures BuildTableCopyProcedures(const TableDataRepository& tables);

  // Puts one association at the front of the list; a transform gets its
  // parser here unless an association already brought one.
  void BuildAndInsertAssociation(const std::string& sourceTableId, const axis_types_t& axis,
                                 const std::string& targetTableId, const std::string& transform);

  // True when every applicable association's target axis already equals its
  // source axis. A transform that fails to evaluate counts as unequal.
  bool AreCopyableTablesEqual(const TableDataRepository& tables);

  // Copies every applicable association's source axis into its target. A
  // transform that fails to evaluate writes nothing for its association.
  void ExecuteCopyOperations(const TableDataRepository& tables);

  // Follows a table rename: every association naming `oldId` as source or
  // target names `newId` instead.
  void ChangeTableId(const std::string& oldId, const std::string& newId);

  const Associations& GetAssociations() const { return associations_; }
  // The parser of a transform text, or null; the empty text's is "x".
  const Parser* GetParser(const std::string& transform) const;
  size_t GetParserCount() const { return parsers_.size(); }

 private:
  typedef std::map<std::string, std::unique_ptr<Parser>> Parsers;

  // The two tables of an association when it can be applied, else false.
  bool Resolve(const TableAxisTransformAssociation& association, const TableDataRepository& tables,
               std::shared_ptr<TableData>& source, std::shared_ptr<TableData>& target) const;
  Parser& ParserFor(const std::string& transform);
  void CopyParsersFrom(const TableCopyProcedures& other);

  Associations associations_;
  Parsers parsers_;
};

}  // namespace vehicle
