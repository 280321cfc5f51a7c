/* A stand-in client library for the binding tests. It exports every
   entry point the client layer requires and none of the optional ones;
   a build may rename one away (-Disc_name=other_name) to leave exactly
   that export missing. Its attach always fails with a fixed message. */
#include <string.h>

typedef long status_t; /* ISC_STATUS is intptr_t */

#define FAKE(name) \
    long name(void) { return 335544344L; }

FAKE(isc_array_gen_sdl)
FAKE(isc_array_get_slice)
FAKE(isc_array_lookup_bounds)
FAKE(isc_array_lookup_desc)
FAKE(isc_array_set_desc)
FAKE(isc_array_put_slice)
FAKE(isc_blob_default_desc)
FAKE(isc_blob_gen_bpb)
FAKE(isc_blob_info)
FAKE(isc_blob_lookup_desc)
FAKE(isc_blob_set_desc)
FAKE(isc_cancel_blob)
FAKE(isc_close_blob)
FAKE(isc_create_blob)
FAKE(isc_create_blob2)
FAKE(isc_open_blob)
FAKE(isc_open_blob2)
FAKE(isc_put_segment)
FAKE(isc_put_slice)
FAKE(isc_get_segment)
FAKE(isc_get_slice)
FAKE(isc_create_database)
FAKE(isc_drop_database)
FAKE(isc_database_info)
FAKE(isc_start_multiple)
FAKE(isc_commit_transaction)
FAKE(isc_commit_retaining)
FAKE(isc_rollback_transaction)
FAKE(isc_transaction_info)
FAKE(isc_transact_request)
FAKE(isc_dsql_execute_immediate)
FAKE(isc_dsql_exec_immed2)
FAKE(isc_dsql_execute)
FAKE(isc_dsql_execute2)
FAKE(isc_dsql_allocate_statement)
FAKE(isc_dsql_alloc_statement2)
FAKE(isc_dsql_prepare)
FAKE(isc_dsql_set_cursor_name)
FAKE(isc_dsql_describe)
FAKE(isc_dsql_describe_bind)
FAKE(isc_dsql_fetch)
FAKE(isc_dsql_free_statement)
FAKE(isc_dsql_sql_info)
FAKE(isc_decode_date)
FAKE(isc_encode_date)
FAKE(isc_cancel_events)
FAKE(isc_event_counts)
FAKE(isc_que_events)
FAKE(isc_event_block)
FAKE(isc_free)
FAKE(isc_compile_request)
FAKE(isc_compile_request2)
FAKE(isc_send)
FAKE(isc_start_and_send)
FAKE(isc_start_request)
FAKE(isc_unwind_request)
FAKE(isc_receive)
FAKE(isc_release_request)

#define FAKE_ERROR 335544344L /* isc_io_error */

long isc_attach_database(status_t* status, short nameLength, const char* name, unsigned* handle, short dpbLength,
                         const char* dpb)
{
    (void)nameLength; (void)name; (void)dpbLength; (void)dpb;
    *handle = 0;
    status[0] = 1;
    status[1] = FAKE_ERROR;
    status[2] = 0;
    return FAKE_ERROR;
}

long isc_detach_database(status_t* status, unsigned* handle)
{
    (void)status;
    *handle = 0;
    return 0;
}

long isc_interprete(char* buffer, status_t** vector)
{
    status_t* v = *vector;
    if (v[0] != 1)
        return 0;
    strcpy(buffer, "  fake client library: no server  ");
    *vector = v + 2;
    return (long)strlen(buffer);
}

long isc_sqlcode(const status_t* status)
{
    (void)status;
    return -902;
}

void isc_sql_interprete(short code, char* buffer, short length)
{
    (void)code;
    strncpy(buffer, "fake SQL message", (size_t)length);
}

long isc_vax_integer(const char* p, short length)
{
    long v = 0;
    int shift = 0;
    for (short i = 0; i < length; ++i, shift += 8)
        v += (long)(unsigned char)p[i] << shift;
    return v;
}
