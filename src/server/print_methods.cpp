// "labels.print", "labels.job_state" and "labels.list_printers": jobs for
// the server's printers, kept in the store before the caller hears of them.
#include "exchange/inout.h"
#include "exchange/value_read.h"
#include "output/thermal.h"
#include "platform/code_pages.h"
#include "server/log.h"
#include "server/methods.h"
#include "server/print_service.h"
#include "server/render.h"
#include "server/service.h"

using namespace ino_read;

namespace lsv_methods {

namespace {

// The most a job's request (its variables and rows, as XML) may take.
constexpr std::size_t LSV_MAX_JOB_BYTES = 32u << 20;

xmlrpc_value *string_value_of(xmlrpc_env *env, const std::u16string &s)
{
    const std::string u = plt__to_utf8(s);
    return xmlrpc_string_new_lp_cr(env, u.size(), u.data());
}

void no_printing_fault(xmlrpc_env *env)
{
    fault(env, LSV_FAULT_NO_PRINTER, u"У сервера нет принтеров: они задаются файлом --printers");
}

xmlrpc_value *job_struct(xmlrpc_env *env, const print_job &j)
{
    xmlrpc_value_ptr st(xmlrpc_struct_new(env));
    auto set = [&](const char *key, xmlrpc_value *v) {
        xmlrpc_struct_set_value(env, st.get(), key, v);
        xmlrpc_DECREF(v);
    };
    set("job", xmlrpc_string_new(env, std::to_string(j.id).c_str()));
    set("state", xmlrpc_string_new(env, lsv__job_state_name(j.state)));
    set("printer", string_value_of(env, plt__from_utf8(j.printer)));
    set("labels", xmlrpc_int_new(env, static_cast<int>(j.labels)));
    set("printed", xmlrpc_int_new(env, static_cast<int>(j.printed)));
    if (!j.error.empty())
        set("error", string_value_of(env, plt__from_utf8(j.error)));
    return env->fault_occurred ? nullptr : st.release();
}

} // namespace

xmlrpc_value *list_printers(label_service &service, server_store &, call_context &, xmlrpc_env *env, xmlrpc_value *)
{
    xmlrpc_value_ptr arr(xmlrpc_array_new(env));
    if (!service.printing())
        return arr.release();
    for (const server_printer &p : service.printing()->printers()) {
        xmlrpc_value_ptr st(xmlrpc_struct_new(env));
        auto set = [&](const char *key, xmlrpc_value *v) {
            xmlrpc_struct_set_value(env, st.get(), key, v);
            xmlrpc_DECREF(v);
        };
        set("name", string_value_of(env, plt__from_utf8(p.name)));
        set("kind", xmlrpc_string_new(env, p.is_cups() ? "cups" : "thermal"));
        if (!p.is_cups()) {
            set("language", xmlrpc_string_new(env, out__thermal_language_name(p.thermal.language)));
            set("dpi", xmlrpc_int_new(env, p.thermal.dpi));
        }
        xmlrpc_array_append_item(env, arr.get(), st.get());
    }
    return env->fault_occurred ? nullptr : arr.release();
}

xmlrpc_value *print(label_service &service, server_store &store, call_context &, xmlrpc_env *env,
                    xmlrpc_value *params)
{
    std::u16string name;
    if (!name_param(env, params, "name", name))
        return nullptr;
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть структурой");
    xmlrpc_value_ptr cred = struct_param(env, params, 0, "первый параметр должен быть структурой {user, passwd}");
    if (!st || !cred)
        return nullptr;
    std::string user;
    read_utf8(env, cred.get(), "user", user);
    print_service *printing = service.printing();
    if (!printing) {
        no_printing_fault(env);
        return nullptr;
    }
    std::u16string printer_name, key;
    if (!read_string(env, st.get(), "printer", printer_name)) {
        params_fault(env, "\"printer\" - название принтера сервера");
        return nullptr;
    }
    const server_printer *printer = printing->printer(plt__to_utf8(printer_name));
    if (!printer) {
        fault(env, LSV_FAULT_NO_PRINTER,
              u"Нет принтера " + quoted(printer_name.substr(0, 200)) + u"; принтеры сервера — labels.list_printers");
        return nullptr;
    }
    if (has(env, st.get(), "key") &&
        (!read_string(env, st.get(), "key", key) || key.empty() || key.size() > 200)) {
        params_fault(env, "\"key\" - строка от 1 до 200 знаков");
        return nullptr;
    }
    long copies = 1;
    if (has(env, st.get(), "copies")) {
        int n = 0;
        if (!read_int(env, st.get(), "copies", n) || n < 1 || n > LSV_MAX_DOCUMENT_ROWS) {
            params_fault(env, "\"copies\" - целое от 1 до 10000");
            return nullptr;
        }
        copies = n;
    }
    // What is printed, checked now: the label, its variables, its rows.
    xmlrpc_value_ptr request(xmlrpc_struct_new(env));
    xmlrpc_value_ptr label_name(string_value_of(env, name));
    xmlrpc_struct_set_value(env, request.get(), "name", label_name.get());
    std::vector<render_variable> vars;
    if (has(env, st.get(), "variables")) {
        if (!read_variables(env, st.get(), vars))
            return nullptr;
        xmlrpc_value_ptr v;
        member(env, st.get(), "variables", v);
        xmlrpc_struct_set_value(env, request.get(), "variables", v.get());
    }
    long rows = 1;
    if (has(env, st.get(), "rows")) {
        xmlrpc_value_ptr arr;
        member(env, st.get(), "rows", arr);
        if (env->fault_occurred || xmlrpc_value_type(arr.get()) != XMLRPC_TYPE_ARRAY) {
            params_fault(env, "\"rows\" должен быть массивом");
            return nullptr;
        }
        rows = xmlrpc_array_size(env, arr.get());
        if (rows < 1) {
            params_fault(env, "\"rows\" пуст: печатать нечего");
            return nullptr;
        }
        if (rows * copies > LSV_MAX_DOCUMENT_ROWS) {
            fault(env, LSV_FAULT_BATCH_TOO_LARGE,
                  u"Этикеток " + lsv__number(rows * copies) + u" (строки × копии), а в одном задании их не больше " +
                      lsv__number(LSV_MAX_DOCUMENT_ROWS));
            return nullptr;
        }
        for (int i = 0; i < rows; ++i) {
            std::vector<render_variable> row;
            if (!read_row(env, arr.get(), i, row))
                return nullptr;
        }
        xmlrpc_struct_set_value(env, request.get(), "rows", arr.get());
    }
    xmlrpc_value_ptr copies_value(xmlrpc_int_new(env, static_cast<int>(copies)));
    xmlrpc_struct_set_value(env, request.get(), "copies", copies_value.get());
    if (env->fault_occurred)
        return nullptr;
    // The label must be there now; it is drawn as it is when printed.
    if (xmlrpc_value_ptr stored{stored_value(env, store, name)}; !stored)
        return nullptr;

    xmlrpc_mem_block *xml = xmlrpc_mem_block_new(env, 0);
    xmlrpc_serialize_value(env, xml, request.get());
    print_job job;
    if (!env->fault_occurred)
        job.request.assign(static_cast<const char *>(xmlrpc_mem_block_contents(xml)), xmlrpc_mem_block_size(xml));
    if (xml)
        xmlrpc_mem_block_free(xml);
    if (env->fault_occurred)
        return nullptr;
    // A job is read again at every try of its printer.
    if (job.request.size() > LSV_MAX_JOB_BYTES) {
        fault(env, LSV_FAULT_TOO_LARGE,
              u"Задание печати больше " + lsv__number(LSV_MAX_JOB_BYTES >> 20) +
                  u" МиБ; разделите строки на несколько заданий");
        return nullptr;
    }
    job.printer = printer->name;
    job.user = user;
    job.key = plt__to_utf8(key);
    job.digest = lsv__sha256_hex(job.printer + '\0' + job.request);
    job.labels = rows * copies;
    job.created_ms = lsv__now_ms();
    job_added how = job_added::added;
    std::string error;
    if (!printing->queue().add(job, how, error)) {
        fault(env, LSV_FAULT_STORE, u"Задание печати не записано: " + plt__from_utf8(error));
        return nullptr;
    }
    if (how == job_added::key_taken) {
        fault(env, LSV_FAULT_KEY_TAKEN,
              u"Ключ " + quoted(key) + u" уже дан заданию " + lsv__number(job.id) + u" с другой этикеткой, "
              u"принтером или данными; у нового задания должен быть новый ключ");
        return nullptr;
    }
    if (how == job_added::added)
        printing->wake();
    return job_struct(env, job);
}

xmlrpc_value *job_state(label_service &service, server_store &, call_context &, xmlrpc_env *env,
                        xmlrpc_value *params)
{
    xmlrpc_value_ptr st = struct_param(env, params, 1, "второй параметр должен быть структурой {job}");
    std::string id;
    if (!st || !read_utf8(env, st.get(), "job", id)) {
        params_fault(env, "второй параметр должен быть структурой {job}");
        return nullptr;
    }
    if (!service.printing()) {
        no_printing_fault(env);
        return nullptr;
    }
    const bool digits = !id.empty() && id.size() <= 18 && id.find_first_not_of("0123456789") == std::string::npos;
    std::optional<print_job> job;
    std::string error;
    if (digits && !service.printing()->queue().get(std::atoll(id.c_str()), job, error)) {
        fault(env, LSV_FAULT_STORE, u"Задания печати не читаются: " + plt__from_utf8(error));
        return nullptr;
    }
    if (!job) {
        fault(env, LSV_FAULT_NOT_FOUND, u"Нет задания печати " + quoted(plt__from_utf8(id.substr(0, 40))));
        return nullptr;
    }
    return job_struct(env, *job);
}

} // namespace lsv_methods
