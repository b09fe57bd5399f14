#include "history/shared_history_rights.h"

namespace chromaflow::shared_history_rights {
namespace {

// A job's own machine's, for its details: the job of that id is of the role logged in.
constexpr const char* kOwnJob = "EXISTS (SELECT 1 FROM jobs WHERE jobs.id = job_details.job_id AND jobs.machine = current_user)";

// A policy made anew: dropped first if it is there.
void policy(std::vector<std::string>& sql, const std::string& name, const std::string& table, const std::string& rest) {
  sql.push_back("DROP POLICY IF EXISTS " + name + " ON " + table);
  sql.push_back("CREATE POLICY " + name + " ON " + table + " " + rest);
}

}  // namespace

const std::vector<std::string>& statements() {
  static const std::vector<std::string> all = [] {
    const std::string machine = kMachineRole, reader = kReaderRole, both = machine + ", " + reader;
    std::vector<std::string> sql = {
        // No right but those given here: a login that is in neither role sees nothing.
        "REVOKE ALL ON jobs, job_details, chromaflow_schema FROM PUBLIC",
        "DO $$ BEGIN EXECUTE format('GRANT USAGE ON SCHEMA %I TO " + both +
            "', current_schema()); EXECUTE format('GRANT USAGE ON SEQUENCE %s TO " + machine +
            "', pg_get_serial_sequence('jobs', 'id')); END $$",
        "GRANT SELECT ON jobs, job_details, chromaflow_schema TO " + both,
        "REVOKE INSERT, UPDATE, DELETE, TRUNCATE ON jobs, job_details, chromaflow_schema FROM " + reader,
        "REVOKE DELETE, TRUNCATE ON jobs, job_details, chromaflow_schema FROM " + machine,
        "GRANT INSERT, UPDATE ON jobs, job_details TO " + machine,
        "ALTER TABLE jobs ENABLE ROW LEVEL SECURITY",
        "ALTER TABLE job_details ENABLE ROW LEVEL SECURITY",
    };
    policy(sql, "chromaflow_read", "jobs", "FOR SELECT TO " + both + " USING (true)");
    policy(sql, "chromaflow_add", "jobs", "FOR INSERT TO " + machine + " WITH CHECK (machine = current_user)");
    policy(sql, "chromaflow_change", "jobs",
           "FOR UPDATE TO " + machine + " USING (machine = current_user) WITH CHECK (machine = current_user)");
    policy(sql, "chromaflow_read", "job_details", "FOR SELECT TO " + both + " USING (true)");
    policy(sql, "chromaflow_add", "job_details", "FOR INSERT TO " + machine + " WITH CHECK (" + std::string(kOwnJob) + ")");
    policy(sql, "chromaflow_change", "job_details",
           "FOR UPDATE TO " + machine + " USING (" + kOwnJob + ") WITH CHECK (" + kOwnJob + ")");
    return sql;
  }();
  return all;
}

}  // namespace chromaflow::shared_history_rights
