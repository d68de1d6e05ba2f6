/*
 * QVXHumrs.h - client contract of the HR business-object server library
 * (libQVXHumrs.so).
 *
 * The library is an in-process server with the binary conventions of COM: a client
 * loads it (dlopen), looks up the four entry points (dlsym) and works only through
 * interface pointers whose first member is a pointer to a table of functions.
 *
 *   DllGetClassObject(clsid, iid, &out)
 *       The class factory of one of the 18 business classes. `iid` may be
 *       IID_IUnknown, IID_IClassFactory or IID_IHumrsClassFactory. A CLSID the library
 *       does not serve sets *out to NULL and gives CLASS_E_CLASSNOTAVAILABLE; an
 *       interface the factory lacks gives E_NOINTERFACE. Factories live as long as the
 *       library; their AddRef and Release do not keep it loaded (LockServer does).
 *   DllCanUnloadNow()
 *       S_OK when no business object is alive and no factory lock is held, else S_FALSE.
 *   DllRegisterServer() / DllUnregisterServer()
 *       Write or remove the library's entries in the registry file (see below); S_OK,
 *       or E_FAIL when anything goes wrong (no rollback of what was already done).
 *
 * Registry file: $HUMRS_REGISTRY, else $XDG_CONFIG_HOME/humrs/registry.json, else
 * $HOME/.config/humrs/registry.json. One JSON object: registry key path -> object of
 * its values, the default value under the name "" ("HKCR\\CLSID\\{...}\\InprocServer32":
 * {"": "/path/libQVXHumrs.so", "ThreadingModel": "Both"}).
 *
 * Typical client:
 *
 *     IClassFactory* f = NULL;
 *     DllGetClassObject(clsid, IID_IClassFactory, (void**)&f);
 *     IHumrsBusinessObject* o = NULL;
 *     f->lpVtbl->CreateInstance(f, NULL, IID_IHumrsBusinessObject, (void**)&o);
 *     char* r = NULL;
 *     o->lpVtbl->Bind(o, "/data/hr.db", "{\"localType\": 1}", &r);
 *     o->lpVtbl->FreeString(o, r);
 *     o->lpVtbl->Open(o, "\"20240105-0001\"", &r);  ... o->lpVtbl->FreeString(o, r);
 *     o->lpVtbl->Release(o);
 *
 * The header compiles as C and as C++. In C++ the REFIID/REFCLSID parameters are
 * references, in C pointers; both are passed as an address.
 */
#ifndef HUMRS_QVXHUMRS_H
#define HUMRS_QVXHUMRS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------ base types */

typedef int32_t HRESULT;
typedef int32_t BOOL;
typedef uint32_t ULONG;
typedef void* LPVOID;

typedef struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;

typedef GUID IID;
typedef GUID CLSID;

#ifdef __cplusplus
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
#define HUMRS_REF(g) (g)
#else
typedef const IID* REFIID;
typedef const CLSID* REFCLSID;
#define HUMRS_REF(g) (&(g))
#endif

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_FAIL ((HRESULT)0x80004005)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111)

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#if defined(__GNUC__)
#define HUMRS_UNUSED __attribute__((unused))
#else
#define HUMRS_UNUSED
#endif

/* {00000000-0000-0000-C000-000000000046} */
static const IID IID_IUnknown HUMRS_UNUSED = {0x00000000, 0x0000, 0x0000,
                                              {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
/* {00000001-0000-0000-C000-000000000046} */
static const IID IID_IClassFactory HUMRS_UNUSED = {0x00000001, 0x0000, 0x0000,
                                                   {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
/* {53ED53E4-B25D-4374-AA47-B567BFAF6EEE} */
static const IID IID_IHumrsClassFactory HUMRS_UNUSED = {0x53ED53E4, 0xB25D, 0x4374,
                                                        {0xAA, 0x47, 0xB5, 0x67, 0xBF, 0xAF, 0x6E, 0xEE}};
/* {87509CEA-BC80-41E4-AC92-5BD7239F89B4} */
static const IID IID_IHumrsBusinessObject HUMRS_UNUSED = {0x87509CEA, 0xBC80, 0x41E4,
                                                          {0xAC, 0x92, 0x5B, 0xD7, 0x23, 0x9F, 0x89, 0xB4}};

/* ------------------------------------------------------------------ IUnknown */

typedef struct IUnknown IUnknown;
typedef struct IUnknownVtbl {
    HRESULT (*QueryInterface)(IUnknown* This, REFIID riid, void** out);
    ULONG (*AddRef)(IUnknown* This);
    ULONG (*Release)(IUnknown* This);
} IUnknownVtbl;
struct IUnknown {
    const IUnknownVtbl* lpVtbl;
};

/* ------------------------------------------------------------------ IClassFactory */

typedef struct IClassFactory IClassFactory;
typedef struct IClassFactoryVtbl {
    HRESULT (*QueryInterface)(IClassFactory* This, REFIID riid, void** out);
    ULONG (*AddRef)(IClassFactory* This);
    ULONG (*Release)(IClassFactory* This);
    /* A new, independent business object. `outer` must be NULL (no aggregation:
     * CLASS_E_NOAGGREGATION). A class whose business logic is not part of this build
     * gives CLASS_E_CLASSNOTAVAILABLE; *out is NULL on every failure. */
    HRESULT (*CreateInstance)(IClassFactory* This, IUnknown* outer, REFIID riid, void** out);
    /* TRUE holds the library loaded (DllCanUnloadNow answers S_FALSE), FALSE lets go. */
    HRESULT (*LockServer)(IClassFactory* This, BOOL lock);
} IClassFactoryVtbl;
struct IClassFactory {
    const IClassFactoryVtbl* lpVtbl;
};

/* ------------------------------------------------------------------ IHumrsClassFactory
 * The same factory with one more operation: CreateInstance that also says why it
 * failed. `*reason` is set to a NUL-terminated UTF-8 message on failure and to NULL on
 * success; free it with the factory's FreeString. */

typedef struct IHumrsClassFactory IHumrsClassFactory;
typedef struct IHumrsClassFactoryVtbl {
    HRESULT (*QueryInterface)(IHumrsClassFactory* This, REFIID riid, void** out);
    ULONG (*AddRef)(IHumrsClassFactory* This);
    ULONG (*Release)(IHumrsClassFactory* This);
    HRESULT (*CreateInstance)(IHumrsClassFactory* This, IUnknown* outer, REFIID riid, void** out);
    HRESULT (*LockServer)(IHumrsClassFactory* This, BOOL lock);
    HRESULT (*CreateInstanceEx)(IHumrsClassFactory* This, IUnknown* outer, REFIID riid, void** out,
                                char** reason);
    void (*FreeString)(IHumrsClassFactory* This, char* text);
} IHumrsClassFactoryVtbl;
struct IHumrsClassFactory {
    const IHumrsClassFactoryVtbl* lpVtbl;
};

/* ------------------------------------------------------------------ IHumrsBusinessObject
 * The client operations of a business object. Every business object answers
 * QueryInterface for IID_IUnknown, IID_IHumrsBusinessObject, its class interface IID
 * (IExcuse, IIncomeTax, ... as registered under HKCR\Interface) and the framework
 * interface its class interface is based on (the bill interface
 * {CD664769-B9D5-41BF-BBD2-570B556B8109}, for IncomeTax the grid interface
 * {C642CCAF-C156-41C1-AB47-356B75D1E01E}); all of them return this same table.
 * Anything else gives E_NOINTERFACE. The last Release destroys the object.
 *
 * Every operation but FreeString writes a result into *result (when `result` is not
 * NULL), also on failure, as NUL-terminated UTF-8 JSON that the caller frees with
 * FreeString:
 *
 *     {"ok": true|false,
 *      "error": null | "message",                   the refusal or failure text
 *      "failure": null | "refused" | "input" | "database" | "state" | "internal",
 *      "notices": [{"text": "...", "kind": 0, "flag": 0}, ...],
 *      ...operation's own members}
 *
 * Return values: S_OK when the operation succeeded; E_FAIL when a business rule
 * refused it or the database failed (the transaction is rolled back); E_INVALIDARG for
 * malformed JSON, unknown fields, ill-typed values or a key that finds no bill;
 * E_UNEXPECTED before Bind; E_POINTER when `result` is NULL (nothing runs then).
 *
 * Values: JSON null is a Null value, true/false, integers, decimals and strings map to
 * the obvious variant types; an array is a variant array; an object
 * {"fields": ["A", "B"], "rows": [[1, "x"], {"A": 2, "B": "y"}, ...]} is a data
 * packet (rows as arrays in field order or as objects; an optional "status" array
 * gives each row's state: 0 unchanged, 1 modified, 2 inserted, 3 deleted). Data
 * packets come back as {"fields": [...], "rows": [{"A": ..., "B": ...}, ...]}, with
 * "status" only for a change set. Money values are written as decimal numbers.
 *
 * Keys (Open, Edit, Delete) are JSON values: "\"20240105-0001\"" or "12". Text that is
 * not valid JSON is taken whole as a text key.
 */

typedef struct IHumrsBusinessObject IHumrsBusinessObject;
typedef struct IHumrsBusinessObjectVtbl {
    HRESULT (*QueryInterface)(IHumrsBusinessObject* This, REFIID riid, void** out);
    ULONG (*AddRef)(IHumrsBusinessObject* This);
    ULONG (*Release)(IHumrsBusinessObject* This);

    /* Attaches the object to an SQLite database file (created when missing), or to a
     * PostgreSQL database given as a postgresql://user@host:port/dbname URL, before any
     * other operation; may be called again to move it to another database. Options,
     * all optional: {"contextNumber": 1, "loginType": 0, "mergeIn": false,
     * "localType": 1, "serverDate": 20240105, "createSchema": false}. Without
     * "localType" the system parameter "LocalType" of the database applies; a
     * "serverDate" of 0 means today; "createSchema" creates missing tables. Unknown
     * option names, whole numbers beyond 32 bits and a server date that is not a
     * calendar day yyyymmdd are refused (E_INVALIDARG). Result members: "progId",
     * "clsid". */
    HRESULT (*Bind)(IHumrsBusinessObject* This, const char* dbPath, const char* optionsJson, char** result);

    /* Loads the stored bill with this key. Result member "datasets": per dataset the
     * array of its rows, each an object field -> value (dataset 0 is the header). */
    HRESULT (*Open)(IHumrsBusinessObject* This, const char* keyJson, char** result);
    /* Starts a new bill: empty datasets with one header row and its defaults.
     * Result member "datasets". */
    HRESULT (*AddNew)(IHumrsBusinessObject* This, char** result);
    /* Loads a stored bill for change (runs the class's edit check). Result "datasets". */
    HRESULT (*Edit)(IHumrsBusinessObject* This, const char* keyJson, char** result);
    /* Saves the bill: {"datasets": [rows of dataset 0, rows of dataset 1, ...]} where
     * each element is an array of row objects (field -> value) or null to leave that
     * dataset as it is. The given rows replace the dataset's rows, matched on the
     * dataset's key: matching rows are changed, the others inserted, rows left out
     * deleted. Result members "datasets" (as saved) and "key". */
    HRESULT (*Save)(IHumrsBusinessObject* This, const char* billJson, char** result);
    /* Deletes the stored bill with this key. */
    HRESULT (*Delete)(IHumrsBusinessObject* This, const char* keyJson, char** result);
    /* The field look-up of dataset `dataset`: field names and entered values as two JSON
     * arrays, at least one value per name (a check may read more values than it names).
     * A dataset the class does not have (0, the header, is always accepted) or fewer
     * values than names is E_INVALIDARG, as the command answers it.
     * Result member "fields": [{"name": ..., "value": ...}]. */
    HRESULT (*CheckField)(IHumrsBusinessObject* This, int32_t dataset, const char* namesJson,
                          const char* valuesJson, char** result);
    /* Runs server procedure `procNo` of the class with two JSON values (NULL or "" is
     * an empty argument). Result member "result": the procedure's value. */
    HRESULT (*ExecuteProc)(IHumrsBusinessObject* This, int32_t procNo, const char* arg1Json,
                           const char* arg2Json, char** result);
    /* Frees a result text of this interface; NULL is ignored. */
    void (*FreeString)(IHumrsBusinessObject* This, char* text);
} IHumrsBusinessObjectVtbl;
struct IHumrsBusinessObject {
    const IHumrsBusinessObjectVtbl* lpVtbl;
};

/* ------------------------------------------------------------------ entry points */

#if defined(__GNUC__)
#define HUMRS_API __attribute__((visibility("default")))
#else
#define HUMRS_API
#endif

HUMRS_API HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out);
HUMRS_API HRESULT DllCanUnloadNow(void);
HUMRS_API HRESULT DllRegisterServer(void);
HUMRS_API HRESULT DllUnregisterServer(void);

/* Function types for dlsym. */
typedef HRESULT (*PFN_DllGetClassObject)(REFCLSID clsid, REFIID riid, LPVOID* out);
typedef HRESULT (*PFN_DllCanUnloadNow)(void);
typedef HRESULT (*PFN_DllRegisterServer)(void);
typedef HRESULT (*PFN_DllUnregisterServer)(void);

#ifdef __cplusplus
}
#endif

#endif /* HUMRS_QVXHUMRS_H */
