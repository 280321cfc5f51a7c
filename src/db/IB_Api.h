#pragma once
// Private to src/db: the entry points of the client library, typed from
// Firebird's ibase.h. Included only by src/db .cpp files; no header that
// other folders include may include this one.
#include <ibase.h>

namespace varnel::db::detail {

// Required entry points, in the order they are resolved.
#define VARNEL_IB_REQUIRED(X)                                                                      \
    X(array_gen_sdl) X(array_get_slice) X(array_lookup_bounds) X(array_lookup_desc)                \
    X(array_set_desc) X(array_put_slice) X(blob_default_desc) X(blob_gen_bpb) X(blob_info)         \
    X(blob_lookup_desc) X(blob_set_desc) X(cancel_blob) X(close_blob) X(create_blob)               \
    X(create_blob2) X(open_blob) X(open_blob2) X(put_segment) X(put_slice) X(get_segment)          \
    X(get_slice) X(attach_database) X(create_database) X(detach_database) X(drop_database)         \
    X(database_info) X(start_multiple) X(commit_transaction) X(commit_retaining)                   \
    X(rollback_transaction) X(transaction_info) X(transact_request) X(dsql_execute_immediate)      \
    X(dsql_exec_immed2) X(dsql_execute) X(dsql_execute2) X(dsql_allocate_statement)                \
    X(dsql_alloc_statement2) X(dsql_prepare) X(dsql_set_cursor_name) X(dsql_describe)             \
    X(dsql_describe_bind) X(dsql_fetch) X(dsql_free_statement) X(dsql_sql_info) X(decode_date)    \
    X(encode_date) X(cancel_events) X(event_counts) X(que_events) X(event_block) X(interprete)     \
    X(sql_interprete) X(free) X(sqlcode) X(vax_integer) X(compile_request) X(compile_request2)     \
    X(send) X(start_and_send) X(start_request) X(unwind_request) X(receive) X(release_request)

// Optional entry points: a missing one gets a stub that raises when
// called, except rollback_retaining, which stays null.
#define VARNEL_IB_OPTIONAL(X)                                                                      \
    X(service_attach) X(service_detach) X(service_query) X(service_start) X(add_user)              \
    X(delete_user) X(modify_user) X(rollback_retaining) X(portable_integer)

// One pointer per API function, named after it without "isc_" and with a
// "dll_" prefix.
// isc_interprete is deprecated in favour of fb_interpret, but it is the
// call older client libraries offer too.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct TIB_EntryPoints {
#define VARNEL_IB_FIELD(n) decltype(&::isc_##n) dll_##n = nullptr;
    VARNEL_IB_REQUIRED(VARNEL_IB_FIELD)
    VARNEL_IB_OPTIONAL(VARNEL_IB_FIELD)
#undef VARNEL_IB_FIELD
};
#pragma GCC diagnostic pop

// The call table: every call of the layer goes through it. A copy of the
// entry-point table after each binding.
const TIB_EntryPoints& Api();

} // namespace varnel::db::detail
