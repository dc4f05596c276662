// The partitioning clauses of partitioned tables and indexes.
#include <exception>
#include <map>

#include "script/dictionary_rows.h"
#include "script/schema_writers.h"
#include "script/sql_names.h"

namespace tarlow {

namespace {

std::string NameList(const std::vector<DictionaryRow>& rows) {
  std::string out;
  for (const auto& r : rows) out += (out.empty() ? "" : ", ") + SqlName(r[0]);
  return out;
}

std::string Size(const std::string& text) {
  char* end = nullptr;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && end && *end == '\0' ? FormatSize(n) : text;
}

// A segment's attributes on one line: tablespace, pctfree, pctused,
// initrans, maxtrans, then the storage clause; empty values left out.
std::string SegmentLine(const std::string& tablespace, const std::string& pctFree, const std::string& pctUsed,
                        const std::string& iniTrans, const std::string& maxTrans, const std::string& initial,
                        const std::string& next, const std::string& minExtents, const std::string& maxExtents) {
  std::string line;
  auto add = [&](const char* label, const std::string& v) {
    if (!v.empty() && v != "DEFAULT") line += std::string(line.empty() ? "" : " ") + label + v;
  };
  add("tablespace ", tablespace.empty() ? std::string() : SqlName(tablespace));
  add("pctfree ", pctFree);
  add("pctused ", pctUsed);
  add("initrans ", iniTrans);
  add("maxtrans ", maxTrans);
  std::string storage;
  auto addStorage = [&](const char* label, const std::string& v) {
    if (!v.empty() && v != "DEFAULT") storage += std::string(storage.empty() ? "" : " ") + label + v;
  };
  addStorage("initial ", Size(initial));
  addStorage("next ", Size(next));
  addStorage("minextents ", minExtents);
  addStorage("maxextents ", maxExtents == "2147483645" ? std::string("unlimited") : maxExtents);
  if (!storage.empty()) line += std::string(line.empty() ? "" : " ") + "storage (" + storage + ")";
  return line;
}

}  // namespace

std::string SchemaWriters::PartitionClause(ScriptContext& ctx, const std::string& table) {
  if (!TableKindOf(ctx, table).Partitioned) return {};
  const bool storage = ctx.Ticked(OptionBox::TableSpace);
  TOracleSession* session = Q.Session();
  const std::string name = "'" + SqlText(table) + "'";
  try {
    const auto head = ReadDictionaryRows(
        session,
        "SELECT PARTITIONING_TYPE, SUBPARTITIONING_TYPE, DEF_TABLESPACE_NAME, DEF_PCT_FREE, DEF_PCT_USED,"
        " DEF_INI_TRANS, DEF_MAX_TRANS, DEF_INITIAL_EXTENT, DEF_NEXT_EXTENT, \"INTERVAL\", DEF_SUBPARTITION_COUNT"
        " FROM SYS.USER_PART_TABLES WHERE TABLE_NAME = " + name);
    if (head.empty()) return {};
    const DictionaryRow& h = head[0];
    const auto keys = ReadDictionaryRows(session, "SELECT COLUMN_NAME FROM SYS.USER_PART_KEY_COLUMNS WHERE NAME = " +
                                                      name + " AND OBJECT_TYPE = 'TABLE' ORDER BY COLUMN_POSITION");
    const std::string& interval = h[9];
    const bool composite = !h[1].empty() && h[1] != "NONE";
    std::string s;
    if (storage) {
      const std::string defaults = SegmentLine(h[2], h[3], h[4], h[5], h[6], h[7], h[8], "", "");
      if (!defaults.empty()) s += "\n" + defaults;
    }
    s += "\nPARTITION BY " + h[0] + " (" + NameList(keys) + ")";
    if (!interval.empty()) s += "\nINTERVAL (" + interval + ")";
    std::map<std::string, std::vector<DictionaryRow>> subpartitions;
    if (composite) {
      const auto subKeys = ReadDictionaryRows(session, "SELECT COLUMN_NAME FROM SYS.USER_SUBPART_KEY_COLUMNS WHERE NAME = " +
                                                           name + " AND OBJECT_TYPE = 'TABLE' ORDER BY COLUMN_POSITION");
      s += "\nSUBPARTITION BY " + h[1] + " (" + NameList(subKeys) + ")";
      const auto templ = ReadDictionaryRows(session,
                                            "SELECT SUBPARTITION_NAME, HIGH_BOUND, TABLESPACE_NAME FROM"
                                            " SYS.USER_SUBPARTITION_TEMPLATES WHERE TABLE_NAME = " + name +
                                                " ORDER BY SUBPARTITION_POSITION");
      if (!templ.empty()) {
        s += "\nSUBPARTITION TEMPLATE\n(";
        for (size_t k = 0; k < templ.size(); ++k) {
          s += std::string(k ? "," : "") + "\n  SUBPARTITION " + SqlName(templ[k][0]);
          if (h[1] == "RANGE") s += " VALUES LESS THAN (" + templ[k][1] + ")";
          else if (h[1] == "LIST") s += " VALUES (" + templ[k][1] + ")";
          if (storage && !templ[k][2].empty()) s += " TABLESPACE " + SqlName(templ[k][2]);
        }
        s += "\n)";
      } else if (h[1] == "HASH" && h[10] != "1") {
        s += "\nSUBPARTITIONS " + h[10];
      }
      for (auto& r : ReadDictionaryRows(session,
                                        "SELECT PARTITION_NAME, SUBPARTITION_NAME, HIGH_VALUE, TABLESPACE_NAME FROM"
                                        " SYS.USER_TAB_SUBPARTITIONS WHERE TABLE_NAME = " + name +
                                            " ORDER BY PARTITION_POSITION, SUBPARTITION_POSITION"))
        subpartitions[r[0]].push_back(std::move(r));
    }
    // The partitions an interval table made by itself come back when rows
    // need them.
    const auto parts = ReadDictionaryRows(
        session, "SELECT PARTITION_NAME, HIGH_VALUE, TABLESPACE_NAME, PCT_FREE, PCT_USED, INI_TRANS, MAX_TRANS,"
                 " INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENT, MAX_EXTENT FROM SYS.USER_TAB_PARTITIONS WHERE TABLE_NAME = " +
                     name + (interval.empty() ? "" : " AND \"INTERVAL\" = 'NO'") + " ORDER BY PARTITION_POSITION");
    s += "\n(";
    for (size_t i = 0; i < parts.size(); ++i) {
      const DictionaryRow& p = parts[i];
      s += std::string(i ? "," : "") + "\n  PARTITION " + SqlName(p[0]);
      if (h[0] == "RANGE") s += " VALUES LESS THAN (" + p[1] + ")";
      else if (h[0] == "LIST") s += " VALUES (" + p[1] + ")";
      if (storage) {
        // Subpartitions keep the segments: a composite partition names its tablespace only.
        const std::string line = composite ? SegmentLine(p[2], "", "", "", "", "", "", "", "")
                                           : SegmentLine(p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10]);
        if (!line.empty()) s += "\n    " + line;
      }
      auto sub = subpartitions.find(p[0]);
      if (sub != subpartitions.end()) {
        s += "\n  (";
        for (size_t k = 0; k < sub->second.size(); ++k) {
          const DictionaryRow& sp = sub->second[k];
          s += std::string(k ? "," : "") + "\n    SUBPARTITION " + SqlName(sp[1]);
          if (h[1] == "RANGE") s += " VALUES LESS THAN (" + sp[2] + ")";
          else if (h[1] == "LIST") s += " VALUES (" + sp[2] + ")";
          if (storage && !sp[3].empty()) s += " TABLESPACE " + SqlName(sp[3]);
        }
        s += "\n  )";
      }
    }
    return s + "\n)";
  } catch (const std::exception& e) {
    ctx.LeftOut("the partitioning of partitioned tables", table, e.what());
    return {};
  }
}

std::string SchemaWriters::IndexPartitionClause(ScriptContext& ctx, const std::string& index) {
  TOracleSession* session = Q.Session();
  const std::string name = "'" + SqlText(index) + "'";
  try {
    const auto head = ReadDictionaryRows(
        session, "SELECT LOCALITY, PARTITIONING_TYPE FROM SYS.USER_PART_INDEXES WHERE INDEX_NAME = " + name);
    if (head.empty()) return {};
    const bool storage = ctx.Ticked(OptionBox::TableSpace);
    const auto parts = ReadDictionaryRows(session,
                                          "SELECT PARTITION_NAME, HIGH_VALUE, TABLESPACE_NAME FROM"
                                          " SYS.USER_IND_PARTITIONS WHERE INDEX_NAME = " + name +
                                              " ORDER BY PARTITION_POSITION");
    std::string s;
    if (head[0][0] == "LOCAL") {
      s = "\nLOCAL";
    } else {
      const auto keys = ReadDictionaryRows(session, "SELECT COLUMN_NAME FROM SYS.USER_PART_KEY_COLUMNS WHERE NAME = " +
                                                        name + " AND OBJECT_TYPE = 'INDEX' ORDER BY COLUMN_POSITION");
      s = "\nGLOBAL PARTITION BY " + head[0][1] + " (" + NameList(keys) + ")";
    }
    s += "\n(";
    for (size_t i = 0; i < parts.size(); ++i) {
      const DictionaryRow& p = parts[i];
      s += std::string(i ? "," : "") + "\n  PARTITION " + SqlName(p[0]);
      if (head[0][0] != "LOCAL" && head[0][1] == "RANGE") s += " VALUES LESS THAN (" + p[1] + ")";
      if (storage && !p[2].empty()) s += " TABLESPACE " + SqlName(p[2]);
    }
    return s + "\n)";
  } catch (const std::exception& e) {
    ctx.LeftOut("the partitioning of partitioned indexes", index, e.what());
    return {};
  }
}

}  // namespace tarlow
