#include "highlighters/SrcHighlighterSQL.h"

#include "editor/SrcEditStrConst.h"

namespace {

using S = TSrcSQLHighlighter;

struct TKeywordList {
  TSQLDialect dialect;
  std::uint8_t kind;
  const char* words;  // comma-separated
};

// The keyword lists of every dialect, in the order they go into the table.
const TKeywordList kKeywordLists[] = {
    {sqlStandard, S::tkKey,  // reserved words, 126
     "active, after, all, alter, and, any, as, asc, ascending, at, auto, base_name, before, begin, between, "
     "by, cache, cast, check, column, commit, committed, computed, conditional, constraint, containing, count, "
     "create, current, cursor, database, debug, declare, default, delete, desc, descending, distinct, do, "
     "domain, drop, else, end, entry_point, escape, exception, execute, exists, exit, external, extract, "
     "filter, for, foreign, from, full, function, generator, grant, group, having, if, in, inactive, index, "
     "inner, insert, into, is, isolation, join, key, left, level, like, merge, names, no, not, null, of, on, "
     "only, or, order, outer, parameter, password, plan, position, primary, privileges, procedure, protected, "
     "read, retain, returns, revoke, right, rollback, schema, select, set, shadow, shared, snapshot, some, "
     "suspend, table, then, to, transaction, trigger, uncommitted, union, unique, update, user, using, view, "
     "wait, when, where, while, with, work"},
    {sqlInterbase6, S::tkDatatype,  // data types, 13
     "BLOB, CHAR, CHARACTER, DATE, DECIMAL, DOUBLE, FLOAT, INTEGER, NUMERIC, SMALLINT, TIME, TIMESTAMP, "
     "VARCHAR"},
    {sqlInterbase6, S::tkFunction,  // functions, 8
     "AVG, CAST, COUNT, GEN_ID, MAX, MIN, SUM, UPPER"},
    {sqlInterbase6, S::tkKey,  // reserved words, 251
     "ACTIVE, ADD, AFTER, ALL, ALTER, AND, ANY, AS, ASC, ASCENDING, AT, AUTO, AUTODDL, BASED, BASENAME, "
     "BASE_NAME, BEFORE, BEGIN, BETWEEN, BLOBEDIT, BUFFER, BY, CACHE, CHARACTER_LENGTH, CHAR_LENGTH, CHECK, "
     "CHECK_POINT_LEN, CHECK_POINT_LENGTH, COLLATE, COLLATION, COLUMN, COMMIT, COMMITED, COMPILETIME, "
     "COMPUTED, CLOSE, CONDITIONAL, CONNECT, CONSTRAINT, CONTAINING, CONTINUE, CREATE, CURRENT, CURRENT_DATE, "
     "CURRENT_TIME, CURRENT_TIMESTAMP, CURSOR, DATABASE, DAY, DB_KEY, DEBUG, DEC, DECLARE, DEFAULT, DELETE, "
     "DESC, DESCENDING, DESCRIBE, DESCRIPTOR, DISCONNECT, DISTINCT, DO, DOMAIN, DROP, ECHO, EDIT, ELSE, END, "
     "ENTRY_POINT, ESCAPE, EVENT, EXCEPTION, EXECUTE, EXISTS, EXIT, EXTERN, EXTERNAL, EXTRACT, FETCH, FILE, "
     "FILTER, FOR, FOREIGN, FOUND, FROM, FULL, FUNCTION, GDSCODE, GENERATOR, GLOBAL, GOTO, GRANT, GROUP, "
     "GROUP_COMMIT_WAIT, GROUP_COMMIT_WAIT_TIME, HAVING, HELP, HOUR, IF, IMMEDIATE, IN, INACTIVE, INDEX, "
     "INDICATOR, INIT, INNER, INPUT, INPUT_TYPE, INSERT, INT, INTO, IS, ISOLATION, ISQL, JOIN, KEY, "
     "LC_MESSAGES, LC_TYPE, LEFT, LENGTH, LEV, LEVEL, LIKE, LOGFILE, LOG_BUFFER_SIZE, LOG_BUF_SIZE, LONG, "
     "MANUAL, MAXIMUM, MAXIMUM_SEGMENT, MAX_SEGMENT, MERGE, MESSAGE, MINIMUM, MINUTE, MODULE_NAME, MONTH, "
     "NAMES, NATIONAL, NATURAL, NCHAR, NO, NOAUTO, NOT, NULL, NUM_LOG_BUFFS, NUM_LOG_BUFFERS, OCTET_LENGTH, "
     "OF, ON, ONLY, OPEN, OPTION, OR, ORDER, OUTER, OUTPUT, OUTPUT_TYPE, OVERFLOW, PAGE, PAGELENGTH, PAGES, "
     "PAGE_SIZE, PARAMETER, PASSWORD, PLAN, POSITION, POST_EVENT, PRECISION, PREPARE, PROCEDURE, PROTECTED, "
     "PRIMARY, PRIVILEGES, PUBLIC, QUIT, RAW_PARTITIONS, READ, REAL, RECORD_VERSION, REFERENCES, RELEASE, "
     "RESERV, RESERVING, RETAIN, RETURN, RETURNING_VALUES, RETURNS, REVOKE, RIGHT, ROLLBACK, RUNTIME, SCHEMA, "
     "SECOND, SEGMENT, SELECT, SET, SHADOW, SHARED, SHELL, SHOW, SINGULAR, SIZE, SNAPSHOT, SOME, SORT, SQL, "
     "SQLCODE, SQLERROR, SQLWARNING, STABILITY, STARTING, STARTS, STATEMENT, STATIC, STATISTICS, SUB_TYPE, "
     "SUSPEND, TABLE, TERMINATOR, THEN, TO, TRANSACTION, TRANSLATE, TRANSLATION, TRIGGER, TRIM, TYPE, "
     "UNCOMMITTED, UNION, UNIQUE, UPDATE, USER, USING, VALUE, VALUES, VARIABLE, VARYING, VERSION, VIEW, WAIT, "
     "WEEKDAY, WHEN, WHENEVER, WHERE, WHILE, WITH, WORK, WRITE, YEAR, YEARDAY"},
    {sqlMSSQL7, S::tkKey,  // reserved words, 197
     "ABSOLUTE, ADD, ALL, ALTER, ANY, AS, ASC, AUTHORIZATION, AVG, BACKUP, BEGIN, BETWEEN, BREAK, BROWSE, "
     "BULK, BY, CASCADE, CHECK, CHECKPOINT, CLOSE, CLUSTERED, COLUMN, COMMIT, COMMITTED, COMPUTE, CONFIRM, "
     "CONSTRAINT, CONTAINS, CONTAINSTABLE, CONTINUE, CONTROLROW, COUNT, CREATE, CROSS, CURRENT, CURRENT_DATE, "
     "CURRENT_TIME, CURSOR, DATABASE, DBCC, DEALLOCATE, DECLARE, DEFAULT, DELETE, DENY, DESC, DISK, DISTINCT, "
     "DISTRIBUTED, DOUBLE, DROP, DUMMY, DUMP, ELSE, END, ERRLVL, ERROREXIT, ESCAPE, EXCEPT, EXEC, EXECUTE, "
     "EXISTS, EXIT, FETCH, FILE, FILLFACTOR, FIRST, FLOPPY, FOR, FOREIGN, FREETEXT, FREETEXTTABLE, FROM, FULL, "
     "GLOBAL, GOTO, GRANT, GROUP, HAVING, HOLDLOCK, IDENTITY, IDENTITYCOL, IDENTITY_INSERT, IF, IN, INDEX, "
     "INNER, INSERT, INTERSECT, INTO, IS, ISOLATION, JOIN, KEY, KILL, LAST, LEFT, LEVEL, LIKE, LINENO, LOAD, "
     "MAX, MIN, MIRROREXIT, NATIONAL, NEXT, NOCHECK, NONCLUSTERED, NOT, NULL, OF, OFF, OFFSETS, ON, ONCE, "
     "ONLY, OPEN, OPENDATASOURCE, OPENQUERY, OPENROWSET, OPTION, OR, ORDER, OUTER, OVER, PERCENT, PERM, "
     "PERMANENT, PIPE, PLAN, PRECISION, PREPARE, PRIMARY, PRINT, PRIOR, PRIVILEGES, PROC, PROCEDURE, "
     "PROCESSEXIT, PUBLIC, RAISERROR, READ, READTEXT, RECONFIGURE, REFERENCES, RELATIVE, REPEATABLE, "
     "REPLICATION, RESTORE, RESTRICT, RETURN, REVOKE, RIGHT, ROLLBACK, ROWCOUNT, ROWGUIDCOL, RULE, SAVE, "
     "SCHEMA, SELECT, SERIALIZABLE, SET, SETUSER, SHUTDOWN, SOME, STATISTICS, SUM, TABLE, TAPE, TEMP, "
     "TEMPORARY, TEXTSIZE, THEN, TO, TOP, TRAN, TRANSACTION, TRIGGER, TRUNCATE, TSEQUAL, UNCOMMITTED, UNION, "
     "UNIQUE, UPDATE, UPDATETEXT, USE, USER, VALUES, VARYING, VIEW, WAITFOR, WHEN, WHERE, WHILE, WITH, WORK, "
     "WRITETEXT"},
    {sqlMSSQL7, S::tkDatatype,  // data types, 24
     "BINARY, BIT, CHAR, DATETIME, DECIMAL, FLOAT, IMAGE, INT, MONEY, NCHAR, NTEXT, NUMERIC, NVARCHAR, REAL, "
     "SMALLDATETIME, SMALLINT, SMALLMONEY, SYSNAME, TEXT, TIMESTAMP, TINYINT, UNIQUEIDENTIFIER, VARBINARY, "
     "VARCHAR"},
    {sqlMSSQL7, S::tkFunction,  // functions, 139
     "@@CONNECTIONS, @@CPU_BUSY, @@CURSOR_ROWS, @@DATEFIRST, @@DBTS, @@ERROR, @@FETCH_STATUS, @@IDENTITY, "
     "@@IDLE, @@IO_BUSY, @@LANGID, @@LANGUAGE, @@LOCK_TIMEOUT, @@MAX_CONNECTIONS, @@MAX_PRECISION, "
     "@@NESTLEVEL, @@OPTIONS, @@PACKET_ERRORS, @@PACK_RECEIVED, @@PACK_SENT, @@PROCID, @@REMSERVER, "
     "@@ROWCOUNT, @@SERVERNAME, @@SERVICENAME, @@SPID, @@TEXTSIZE, @@TIMETICKS, @@TOTAL_ERRORS, @@TOTAL_READ, "
     "@@TOTAL_WRITE, @@TRANCOUNT, @@VERSION, ABS, ACOS, AND, APP_NAME, ASCII, ASIN, ATAN, ATN2, CASE, CAST, "
     "CEILING, CHARINDEX, COALESCE, COLUMNPROPERTY, COL_LENGTH, COL_NAME, CONVERT, COS, COT, "
     "CURRENT_TIMESTAMP, CURRENT_USER, CURSOR_STATUS, DATABASEPROPERTY, DATALENGTH, DATEADD, DATEDIFF, "
     "DATENAME, DATEPART, DAY, DB_ID, DB_NAME, DEGREES, DIFFERENCE, EXP, FILEGROUPPROPERTY, FILEGROUP_ID, "
     "FILEGROUP_NAME, FILEPROPERTY, FILE_ID, FILE_NAME, FLOOR, FORMATMESSAGE, FULLTEXTCATALOGPROPERTY, "
     "FULLTEXTSERVICEPROPERTY, GETANSINULL, GETDATE, HOST_ID, HOST_NAME, IDENT_INCR, IDENT_SEED, "
     "INDEXPROPERTY, INDEX_COL, ISDATE, ISNULL, ISNUMERIC, IS_MEMBER, IS_SRVROLEMEMBER, LEN, LOG, LOG10, "
     "LOWER, LTRIM, MONTH, NEWID, NULLIF, OBJECTPROPERTY, OBJECT_ID, OBJECT_NAME, PARSENAME, PATINDEX, "
     "PERMISSIONS, PI, POWER, QUOTENAME, RADIANS, RAND, REPLACE, REPLICATE, REVERSE, ROUND, RTRIM, "
     "SESSION_USER, SIGN, SIN, SOUNDEX, SPACE, SQRT, SQUARE, STATS_DATE, STR, STUFF, SUBSTRING, SUSER_ID, "
     "SUSER_NAME, SUSER_SID, SUSER_SNAME, SYSTEM_USER, TAN, TEXTPTR, TEXTVALID, TYPEPROPERTY, UNICODE, UPPER, "
     "USER_ID, USER_NAME, YEAR"},
    {sqlMySQL, S::tkKey,  // reserved words, 161
     "ACTION, AFTER, AGGREGATE, ALL, ALTER, AS, ASC, AUTO_INCREMENT, AVG_ROW_LENGTH, BETWEEN, BINARY, BIT, "
     "BOOL, BOTH, BY, CASCADE, CHANGE, CHARACTER, CHECK, CHECKSUM, COLUMN, COLUMNS, COMMENT, CONSTRAINT, "
     "CREATE, CROSS, DATA, DATABASES, DEC, DEFAULT, DELAYED, DELAY_KEY_WRITE, DELETE, DESC, DESCRIBE, "
     "DISTINCT, DISTINCTROW, DROP, ELSE, ENCLOSED, END, ESCAPE, ESCAPED, EXISTS, EXPLAIN, FIELDS, FIRST, "
     "FLOAT4, FLOAT8, FLUSH, FOR, FOREIGN, FROM, FULL, FUNCTION, GLOBAL, GRANT, GRANTS, GROUP, HAVING, HEAP, "
     "HIGH_PRIORITY, HOSTS, IDENTIFIED, IGNORE, INFILE, INNER, INT1, INT2, INT3, INT4, INT8, INTO, IS, ISAM, "
     "JOIN, KEY, KEYS, KILL, LEADING, LIKE, LIMIT, LINES, LOAD, LOCAL, LOGS, LONG, LOW_PRIORITY, MATCH, "
     "MAX_ROWS, MIDDLEINT, MIN_ROWS, MODIFY, MYISAM, NATURAL, NO, NOT, OPTIMIZE, OPTION, OPTIONALLY, ORDER, "
     "OUTER, OUTFILE, PACK_KEYS, PARTIAL, PRIMARY, PRIVILEGES, PROCEDURE, PROCESS, PROCESSLIST, READ, "
     "REFERENCES, REGEXP, RELOAD, RENAME, RESTRICT, RETURNS, REVOKE, RLIKE, ROW, ROWS, SELECT, SHOW, SHUTDOWN, "
     "SONAME, SQL_BIG_RESULT, SQL_BIG_SELECTS, SQL_BIG_TABLES, SQL_LOG_OFF, SQL_LOG_UPDATE, "
     "SQL_LOW_PRIORITY_UPDATES, SQL_SELECT_LIMIT, SQL_SMALL_RESULT, SQL_WARNINGS, STARTING, STATUS, "
     "STRAIGHT_JOIN, TABLE, TABLES, TEMPORARY, TERMINATED, THEN, TO, TRAILING, TYPE, UNIQUE, UNLOCK, UNSIGNED, "
     "UPDATE, USAGE, USE, USING, VALUES, VARBINARY, VARCHAR, VARIABLES, VARYING, WHERE, WITH, WRITE, ZEROFILL"},
    {sqlMySQL, S::tkDatatype,  // data types, 27
     "TINYINT, SMALLINT, MEDIUMINT, INT, INTEGER, BIGINT, FLOAT, DOUBLE, REAL, DECIMAL, NUMERIC, DATE, "
     "DATETIME, TIMESTAMP, TIME, YEAR, CHAR, NATIONAL, TINYBLOB, TINYTEXT, TEXT, MEDIUMBLOB, MEDIUMTEXT, "
     "LONGBLOB, LONGTEXT, ENUM, SET"},
    {sqlMySQL, S::tkFunction,  // functions, 143
     "ABS, ACOS, ACSII, ADDDATE, ASIN, ATAN, ATAN2, AVG, BENCHMARK, BIN, BIT_AND, BIT_COUNT, BIT_OR, CASE, "
     "CEILING, CHARACTOR_LENGTH, CHAR_LENGTH, COALESCE, CONCAT, CONV, COS, COT, COUNT, CURDATE, CURRENT_DATE, "
     "CURRENT_TIME, CURRENT_TIMESTAMP, CURTIME, DATABASE, DATE_ADD, DATE_FORMAT, DATE_SUB, DAY, DAYNAME, "
     "DAYOFMONTH, DAYOFWEEK, DAYOFYEAR, DAY_HOUR, DAY_MINUTE, DAY_SECOND, DECODE, DEGREES, ELT, ENCODE, "
     "ENCRYPT, EXP, EXPORT_SET, FIELD, FIND_IN_SET, FLOOR, FORMAT, FROM_DAYS, FROM_UNIXTIME, GET_LOCK, "
     "GREATEST, HEX, HOUR, HOUR_MINUTE, HOUR_SECOND, IF, IFNULL, IN, INSERT, INSTR, INTERVAL, ISNULL, "
     "LAST_INSERT_ID, LCASE, LEAST, LEFT, LENGTH, LOAD_FILE, LOCATE, LOG, LOG10, LOWER, LPAD, LTRIM, MAKE_SET, "
     "MAX, MD5, MID, MIN, MINUTE, MINUTE_SECOND, MOD, MONTH, MONTHNAME, NOW, OCT, OCTET_LENGTH, ORD, PASSWORD, "
     "PERIOD_ADD, PERIOD_DIFF, PI, POSITION, POW, POWER, QUARTER, RADIANS, RAND, RELEASE_LOCK, REPEAT, "
     "REPLACE, REVERSE, RIGHT, ROUND, RPAD, RTRIM, SECOND, SEC_TO_TIME, SESSION_USER, SIGN, SIN, SOUNDEX, "
     "SPACE, SQRT, STD, STDDEV, STRCMP, SUBDATE, SUBSTRING, SUBSTRING_INDEX, SUM, SYSDATE, SYSTEM_USER, TAN, "
     "TIME_FORMAT, TIME_TO_SEC, TO_DAYS, TRIM, TRUNCATE, UCASE, UNIX_TIMESTAMP, UPPER, USER, VERSION, WEEK, "
     "WEEKDAY, WHEN, YEARWEEK, YEAR_MONTH"},
    {sqlOracle, S::tkKey,  // reserved words, 378
     "ACCESS, ACCOUNT, ACTIVATE, ADD, ADMIN, ADVISE, ALL, ALLOCATE, ALTER, ANALYZE, ANCILLARY, AND, ANY, "
     "ARCHIVELOG, AS, ASC, ASSOCIATE, ATTRIBUTES, AUDIT, AUTHENTICATED, AUTHID, AUTOALLOCATE, AUTOEXTEND, "
     "AUTOMATIC, BACKUP, BECOME, BEFORE, BEHALF, BETWEEN, BINDING, BLOCK, BUFFER_POOL, BY, CACHE, CANCEL, "
     "CASCADE, CAST, CATEGORY, CHAINED, CHANGE, CHARACTER, CHECK, CHECKPOINT, CHILD, CHUNK, CLASS, CLONE, "
     "CLUSTER, COALESCE, COBOL, COLUMN, COLUMNS, COMMENT, COMPATIBILITY, COMPILE, COMPLETE, COMPOSITE_LIMIT, "
     "COMPRESS, COMPUTE, CONNECT, CONNECT_TIME, CONSTRAINT, CONSTRAINTS, CONTENTS, CONTEXT, CONTINUE, CONTROL, "
     "CONTROLFILE, COST, CPU_PER_CALL, CPU_PER_SESSION, CREATE, CURRENT, CURRENT_USER, CYCLE, DANGLING, "
     "DATAFILE, DEALLOCATE, DEBUG, DEFAULT, DEFERRED, DEFINER, DELETE, DEMAND, DETERMINES, DICTIONARY, "
     "DIMENSION, DIRECTORY, DISABLE, DISASSOCIATE, DISMOUNT, DISTINCT, DISTRIBUTED, DML, DROP, ELSE, ENABLE, "
     "ESCAPE, ESTIMATE, EVENTS, EXCEPT, EXCEPTIONS, EXCHANGE, EXCLUDING, EXCLUSIVE, EXISTS, EXPIRE, EXPLAIN, "
     "EXTENT, EXTERNALLY, FAILED_LOGIN_ATTEMPTS, FAST, FILE, FLUSH, FOR, FORCE, FOREIGN, FORTRAN, FREELIST, "
     "FREELISTS, FROM, FUNCTIONS, GENERATED, GLOBAL, GLOBAL_NAME, GLOBALLY, GO, GRANT, GROUP, GROUPS, HASH, "
     "HAVING, HEAP, HIERARCHY, IDENTIFIED, IDLE_TIME, IMMEDIATE, IN, INCLUDING, INCREMENT, INDEX, INDEXTYPE, "
     "INDEXTYPES, INFILE, INITIAL, INITIALLY, INITRANS, INSERT, INSTANCE, INT, INTERSECT, INTO, INVALIDATE, "
     "IS, JAVA, JOIN, KEEP, KEY, KILL, LAYERLISTS, LEVEL, LIBRARY, LIKE, LIMIT, LINK, LIST, LOB, LOCAL, "
     "LOCATOR, LOCK, LOGFILE, LOGGING, LOGICAL_READS_PER_CALL, LOGICAL_READS_PER_SESSION, MANAGE, MANAGED, "
     "MANUAL, MAP, MASTER, MATERIALIZED, MAXDATAFILES, MAXEXTENTS, MAXINSTANCES, MAXLOGFILES, MAXLOGHISTORY, "
     "MAXLOGMEMBERS, MAXSIZE, MAXTRANS, MAXVALUE, MEMBER, MINEXTENTS, MINIMIZE, MINIMUM, MINUS, MINVALUE, "
     "MODE, MODIFY, MODULE, MOUNT, MOVE, MOVEMENT, MULTISET, NAMED, NATIONAL, NESTED, NEVER, NEXT, NO, "
     "NOARCHIVELOG, NOAUDIT, NOCACHE, NOCOMPRESS, NOCYCLE, NOFORCE, NOLOGGING, NOMAXVALUE, NOMINIMIZE, "
     "NOMINVALUE, NONE, NOORDER, NORELY, NORESETLOGS, NOREVERSE, NORMAL, NOSORT, NOT, NOTHING, NOVALIDATE, "
     "NOWAIT, NULL, OF, OFFLINE, OID, ON, ONLINE, ONLY, OPERATOR, OPTIMAL, OPTION, OR, ORDER, OUTLINE, "
     "OVERFLOW, OWN, PACKAGES, PARALLEL, PARAMETERS, PARTITIONS, PASSWORD, PASSWORD_GRACE_TIME, "
     "PASSWORD_LIFE_TIME, PASSWORD_LOCK_TIME, PASSWORD_REUSE_MAX, PASSWORD_REUSE_TIME, "
     "PASSWORD_VERIFY_FUNCTION, PCTFREE, PCTINCREASE, PCTTHRESHOLD, PCTUSED, PCTVERSION, PERCENT, PERMANENT, "
     "PLAN, PLI, POST_TRANSACTION, PREBUILD, PRECISION, PRIMARY, PRIOR, PRIVATE_SGA, PRIVILEGES, PROFILE, "
     "PUBLIC, QUERY, QUOTA, READ, REBUILD, RECORDS_PER_BLOCK, RECOVER, RECOVERABLE, RECOVERY, RECYCLE, "
     "REDUCED, REFERENCES, REFRESH, RELY, RENAME, RESET, RESETLOGS, RESIZE, RESOLVE, RESOLVER, RESOURCE, "
     "RESTRICT, RESTRICTED, RESUME, REUSE, REVOKE, REWRITE, ROLE, ROLES, ROW, ROWLABEL, ROWNUM, ROWS, SAMPLE, "
     "SCN, SCOPE, SECTION, SEGMENT, SELECT, SELECTIVITY, SEQUENCE, SESSION, SESSIONS_PER_USER, SHARE, SHARED, "
     "SHARED_POOL, SHRINK, SIZE, SNAPSHOT, SOME, SORT, SOURCE, SPECIFICATION, SPECIFIED, SPLIT, STANDBY, "
     "START, START_DATE, STATISTICS, STOP, STORAGE, STRUCTURE, SUBPARTITION, SUBPARTITIONS, SUCCESSFUL, "
     "SUSPEND, SWITCH, SYNONYM, SYSTEM, TABLE, TABLESPACE, TEMPFILE, TEMPORARY, THE, THEN, THREAD, THROUGH, "
     "TIME, TIMEOUT, TO, TRACING, TRANSACTION, TRIGGER, TRUNCATE, TYPES, UNARCHIVED, UNDER, UNIFORM, UNION, "
     "UNIQUE, UNLIMITED, UNLOCK, UNRECOVERABLE, UNTIL, UNUSABLE, UNUSED, UPDATE, VALIDATE, VALIDATION, VALUES, "
     "VARGRAPHIC, VARRAY, VIEW, WHERE, WITH, WITHOUT"},
    {sqlOracle, S::tkDatatype,  // data types, 31
     "BFILE, BINARY_INTEGER, BLOB, BOOLEAN, CHAR, CLOB, DATE, DEC, DECIMAL, DOUBLE, FLOAT, INTEGER, LONG, "
     "MLSLABEL, NATURAL, NATURALN, NCHAR, NCLOB, NUMBER, NUMERIC, NVARCHAR2, PLS_INTEGER, POSITIVE, POSITIVEN, "
     "RAW, REAL, ROWID, SMALLINT, UROWID, VARCHAR, VARCHAR2"},
    {sqlOracle, S::tkException,  // exceptions, 20
     "ACCESS_INTO_NULL, COLLECTION_IS_NULL, CURSOR_ALREADY_OPEN, DUP_VAL_ON_INDEX, INVALID_CURSOR, "
     "INVALID_NUMBER, LOGIN_DENIED, NO_DATA_FOUND, NOT_LOGGED_ON, OTHERS, PROGRAM_ERROR, ROWTYPE_MISMATCH, "
     "STORAGE_ERROR, SUBSCRIPT_BEYOND_COUNT, SUBSCRIPT_OUTSIDE_LIMIT, SYS_INVALID_ROWID, TIMEOUT_ON_RESOURCE, "
     "TOO_MANY_ROWS, VALUE_ERROR, ZERO_DIVIDE"},
    {sqlOracle, S::tkFunction,  // functions, 151
     "ABS, ACOS, ADD_MONTHS, AGGREGATE, ANALYTIC, ASCII, ASIN, ATAN, ATAN2, AVERAGE, AVG, BFILENAME, CEIL, "
     "CHARTOROWID, CHR, CONCAT, CONVERSION, CONVERT, CORR, COS, COSH, COUNT, COVAR_POP, COVAR_SAMP, CUBE, "
     "CUME_DIST, DECODE, DENSE_RANK, DEREF, DUMP, EMPTY_BLOB, EMPTY_CLOB, EXP, EXTEND, FIRST, FIRST_VALUE, "
     "FLOOR, GLB, GREATEST, GREATEST_LB, GROUPING, HEXTORAW, INITCAP, INSTR, INSTRB, LAG, LAST, LAST_DAY, "
     "LAST_VALUE, LEAD, LEAST, LEAST_LB, LENGTH, LENGTHB, LINEAR, LN, LOG, LOWER, LPAD, LTRIM, LUB, MAKE_REF, "
     "MAX, MIN, MISCELLANEOUS, MOD, MONTHS_BETWEEN, NEW_TIME, NEXT_DAY, NLS_CHARSET_DECL_LEN, NLS_CHARSET_ID, "
     "NLS_CHARSET_NAME, NLS_INITCAP, NLS_LOWER, NLS_SORT, NLS_UPPER, NLSSORT, NTILE, NUMTODSINTERVAL, "
     "NUMTOYMINTERVAL, NVL, NVL2, OBJECT, OVER, PERCENT_RANK, POWER, RANK, RATION_TO_REPORT, RAWTOHEX, "
     "REFERENCE, REFTOHEX, REGR_AVGX, REGR_AVGY, REGR_COUNT, REGR_INTERCEPT, REGR_R2, REGR_SLOPE, REGR_SXX, "
     "REGR_SXY, REGR_SYY, REGRESSION, REPLACE, RETURNING, ROLLUP, ROUND, ROW_NUMBER, ROWIDTOCHAR, RPAD, RTRIM, "
     "SIGN, SIN, SINH, SOUNDEX, SQLCODE, SQLERRM, SQRT, STDDEV, STDDEV_POP, STDDEV_SAMP, STDDEVP, STDDEVS, "
     "SUBSTR, SUBSTRB, SUM, SYS_CONTEXT, SYS_GUID, SYSDATE, TAN, TANH, TO_CHAR, TO_DATE, TO_LABEL, TO_LOB, "
     "TO_MULTI_BYTE, TO_NUMBER, TO_SINGLE_BYTE, TRANSLATE, TRIM, TRUNC, UID, UPPER, USER, USERENV, USING, "
     "VALUE, VAR_POP, VAR_SAMP, VARIANCE, VARP, VARS, VSIZE"},
    {sqlOracle, S::tkComment,  // comment, 4
     "REM, REMA, REMAR, REMARK"},
    {sqlOracle, S::tkDefaultPackage,  // default packages, 116
     "DBMS_ALERT, DBMS_APPLICATION_INFO, DBMS_AQ, DBMS_AQ_EXP_HISTORY_TABLES, DBMS_AQ_EXP_INDEX_TABLES, "
     "DBMS_AQ_EXP_QUEUE_TABLES, DBMS_AQ_EXP_QUEUES, DBMS_AQ_EXP_SUBSCRIBER_TABLES, DBMS_AQ_EXP_TIMEMGR_TABLES, "
     "DBMS_AQ_EXP_ZECURITY, DBMS_AQ_IMP_INTERNAL, DBMS_AQ_IMP_ZECURITY, DBMS_AQ_IMPORT_INTERNAL, "
     "DBMS_AQ_SYS_EXP_ACTIONS, DBMS_AQ_SYS_EXP_INTERNAL, DBMS_AQ_SYS_IMP_INTERNAL, DBMS_AQADM, DBMS_AQADM_SYS, "
     "DBMS_AQADM_SYSCALLS, DBMS_AQIN, DBMS_AQJMS, DBMS_BACKUP_RESTORE, DBMS_DDL, DBMS_DEBUG, "
     "DBMS_DEFER_IMPORT_INTERNAL, DBMS_DEFER_SYS, DBMS_DESCRIBE, DBMS_DISTRIBUTED_TRUST_ADMIN, "
     "DBMS_EXPORT_EXTENSION, DBMS_IJOB, DBMS_INTERNAL_TRIGGER, DBMS_IREFRESH, DBMS_ISNAPSHOT, DBMS_JAVA_TEST, "
     "DBMS_JOB, DBMS_LOB, DBMS_LOCK, DBMS_LOGMNR, DBMS_LOGMNR_D, DBMS_OUTPUT, DBMS_PCLXUTIL, DBMS_PICKLER, "
     "DBMS_PIPE, DBMS_PITR, DBMS_PLUGTS, DBMS_PROFILER, DBMS_PRVTAQIM, DBMS_PRVTAQIP, DBMS_PRVTAQIS, "
     "DBMS_PRVTRMIE, DBMS_PSP, DBMS_PSWMG_IMPORT, DBMS_RCVMAN, DBMS_REFRESH, DBMS_REFRESH_EXP_LWM, "
     "DBMS_REFRESH_EXP_SITES, DBMS_REPAIR, DBMS_REPCAT_AUTH, DBMS_RESOURCE_MANAGER, "
     "DBMS_RESOURCE_MANAGER_PRIVS, DBMS_RLS, DBMS_RMGR_GROUP_EXPORT, DBMS_RMGR_PACT_EXPORT, "
     "DBMS_RMGR_PLAN_EXPORT, DBMS_RMIN, DBMS_ROWID, DBMS_RULE, DBMS_RULE_ADM, DBMS_RULE_EXIMP, DBMS_SESSION, "
     "DBMS_SNAP_INTERNAL, DBMS_SNAP_REPAPI, DBMS_SNAPSHOT, DBMS_SNAPSHOT_UTL, DBMS_SPACE, DBMS_SPACE_ADMIN, "
     "DBMS_SQL, DBMS_STANDARD, DBMS_STATS, DBMS_SUMADV, DBMS_SUMMARY, DBMS_SUMREF_CHILD, DBMS_SUMREF_PARENT, "
     "DBMS_SUMREF_UTIL, DBMS_SUMREF_UTIL2, DBMS_SUMVDM, DBMS_SYS_ERROR, DBMS_SYS_SQL, DBMS_SYSTEM, DBMS_TRACE, "
     "DBMS_TRANSACTION, DBMS_TTS, DBMS_UTILITY, DBMS_ZHELP, DBMS_ZHELP_IR, DBMSZEXP_SYSPKGGRNT, DIANA, DIUTIL, "
     "ODCICONST, OUTLN_PKG, PBREAK, PBRPH, PBSDE, PBUTL, PIDL, PLITBLM, STANDARD, "
     "SYS_STUB_FOR_PURITY_ANALYSIS, UTL_COLL, UTL_FILE, UTL_HTTP, UTL_INADDR, UTL_RAW, UTL_REF, UTL_SMTP, "
     "UTL_TCP"},
    {sqlOracle, S::tkPLSQL,  // pl/sql reserved words, 124
     "ABORT, ACCEPT, AFTER, ARRAY, ARRAYLEN, ASSERT, ASSIGN, AT, AUTHORIZATION, AUTONOMOUS_TRANSACTION, "
     "BASE_TABLE, BEGIN, BODY, BULK, BULK_ROWCOUNT, CALL, CALLING, CASE, CHAR_BASE, CHARSETFORM, CHARSETID, "
     "CLOSE, CLUSTERS, COLAUTH, COLLECT, COMMIT, CONSTANT, CRASH, CURRVAL, CURSOR, DATA_BASE, DATABASE, DBA, "
     "DEBUGOFF, DEBUGON, DECLARE, DEFINITION, DELAY, DELTA, DETERMINISTIC, DIGITS, DISPOSE, DO, EACH, ELSIF, "
     "END, ENTRY, EXCEPTION, EXCEPTION_INIT, EXIT, EXTERNAL, FALSE, FETCH, FIXED, FORALL, FORM, FOUND, "
     "FUNCTION, GENERIC, GOTO, IF, INDEXES, INDICATOR, INSTEAD, INTERFACE, ISOPEN, LANGUAGE, LIMITED, LOOP, "
     "MAXLEN, NAME, NEW, NEXTVAL, NOTFOUND, NUMBER_BASE, OLD, OPEN, OUT, PACKAGE, PARALLEL_ENABLE, PARTITION, "
     "PASCAL, PRAGMA, PRIVATE, PROCEDURE, RAISE, RANGE, RECORD, REF, REFERENCING, RELEASE, REMR, "
     "RESTRICT_REFERENCES, RETURN, REVERSE, ROLLBACK, ROWCOUNT, ROWTYPE, SAVEPOINT, SCHEMA, SELF, SEPARATE, "
     "SERIALLY_REUSABLE, SPACE, SQL, SQLERROR, STATEMENT, STRUCT, SUBTYPE, TABAUTH, TABLES, TASK, TDO, "
     "TERMINATE, TRUE, TYPE, USE, VARYING, VIEWS, WHEN, WHILE, WORK, WRITE, XOR"},
    {sqlOracle, S::tkSQLPlus,  // sql*plus commands, 62
     "ARCHIVE, ATTRIBUTE, BREAK, BRE, BTITLE, BTI, CL, CLEAR, COL, COMP, CONN, COPY, DEFINE, DEF, DESCRIBE, "
     "DESCRIB, DESCRI, DESCR, DESC, DISCONNECT, DISCONNEC, DISCONNE, DISCONN, DISCON, DISCO, DISC, EXEC, "
     "EXECUTE, FAILURE, HELP, HO, HOST, OFF, OSERROR, PAU, PAUSE, PASSW, PPRINT, PRI, PROMPT, REPFOOTER, REPF, "
     "REPHEADER, REPH, RUN, SET, SHOW, SHO, SHUTDOWN, SPOOL, STA, STARTUP, SUCCESS, TIMING, TIMI, TTITLE, TTI, "
     "UNDEFINE, UNDEF, VARIABLE, VAR, WHENEVER"},
    {sqlSybase, S::tkKey,  // reserved words, 373
     "absolute, action, add, after, alias, all, allocate, alter, and, any, are, arith_overflow, as, asc, "
     "assertion, async, at, authorization, avg, before, begin, between, bit, bit_length, boolean, both, "
     "breadth, break, browse, bulk, by, call, cascade, cascaded, case, cast, catalog, char, char_convert, "
     "char_length, character, character_length, check, checkpoint, close, clustered, coalesce, collate, "
     "collation, column, commit, completion, compute, confirm, connect, connection, constraint, constraints, "
     "continue, controlrow, convert, corresponding, count, create, cross, current, current_date, current_time, "
     "current_timestamp, current_user, cursor, cycle, data, database, date, day, dbcc, deallocate, dec, "
     "decimal, declare, default, deferrable, deferred, delete, depth, desc, describe, descriptor, diagnostics, "
     "dictionary, dis, disconnect, distinct, domain, double, drop, dummy, dump, each, else, elseif, en, end, "
     "endtran, equals, errlvl, errordata, errorexit, escape, except, exception, exclusive, exec, execute, "
     "exists, exit, exp_row_size, external, extract, false, fetch, fillfactor, first, float, for, foreign, "
     "found, from, full, general, get, global, go, goto, grant, group, having, holdlock, hour, identity, "
     "identity_gap, identity_insert, identity_start, if, ignore, immediate, in, index, indicator, initially, "
     "inner, input, insensitive, insert, install, int, integer, intersect, interval, into, is, isolation, jar, "
     "join, key, kill, language, last, leading, leave, left, less, level, like, limit, lineno, load, local, "
     "lock, loop, lower, match, max, max_rows_per_page, min, minute, mirror, mirrorexit, modify, module, "
     "month, names, national, natural, nchar, new, next, no, noholdlock, nonclustered, none, not, null, "
     "nullif, numeric, numeric_truncation, object, octet_length, of, off, offsets, oid, old, on, once, online, "
     "only, open, operation, operators, option, or, order, others, outer, output, over, overlaps, pad, "
     "parameters, partial, partition, pendant, perm, permanent, plan, position, precision, preorder, prepare, "
     "preserve, primary, print, prior, private, privileges, proc, procedure, processexit, protected, "
     "proxy_table, public, quiesce, raiserror, read, readpast, readtext, real, reconfigure, recursive, ref, "
     "reference, referencing, relative, remove, reorg, replace, replication, reservepagegap, resignal, "
     "restrict, return, returns, revoke, right, role, rollback, routine, row, rowcount, rows, rule, save, "
     "savepoint, schema, scroll, search, second, section, select, sensitive, sequence, session_user, set, "
     "setuser, shared, shutdown, signal, similar, size, smallint, some, space, sql, sqlcode, sqlerror, "
     "sqlexception, sqlstate, statistics, stripe, structure, substring, sum, syb_identity, syb_restree, "
     "system_user, table, temp, temporary, test, textsize, then, there, time, timestamp, timezone_hour, "
     "timezone_minute, to, trailing, tran, transaction, translate, translation, trigger, trim, true, truncate, "
     "tsequal, type, under, union, unique, unknown, unpartition, update, upper, usage, use, user, user_option, "
     "using, value, values, varchar, variable, varying, view, virtual, visible, wait, waitfor, when, whenever, "
     "where, while, with, without, work, write, writetext, year, zone"},
    {sqlIngres, S::tkDatatype,  // data types, 23
     "BYTE, C, CHAR, CHARACTER, DATE, DECIMAL, FLOAT, FLOAT4, FLOAT8, INTEGER, INTEGER1, INTEGER2, INTEGER4, "
     "LONG, MONEY, OBJECT_KEY, SECURITY_LABEL, SHORT, SMALLINT, TABLE_KEY, TEXT, VARCHAR, VARYING"},
    {sqlIngres, S::tkKey,  // reserved words, 315
     "ABORT, ACTIVATE, ADD, ADDFORM, AFTER, AGGREGATE, ALL, ALTER, AND, APPEND, ARRAY, AS, ASC, AT, AUDIT_LOG, "
     "AUTHORIZATION, AUTOCOMMIT, AVGU, BEFORE, BEGIN, BETWEEN, BREAKDISPLAY, BY, BYREF, CACHE, CALL, "
     "CALLFRAME, CALLPROC, CASCADE, CHECK, CLEAR, CLEARROW, CLOSE, COLUMN, COMMAND, COMMENT, COMMIT, CONNECT, "
     "CONSTRAINT, CONTINUE, COPY, COUNTU, CPUFACTOR, CREATE, CURRENT, CURRENT_USER, CURSOR, DATA, DATAHANDLER, "
     "DATE_FORMAT, DBEVENT, DDL_CONCURRENCY, DEADLOCK, DECLARE, DEFAULT, DEFERRED, DEFINE, DELETE, DELETEROW, "
     "DESC, DESCRIBE, DESCRIPTOR, DESTROY, DIRECT, DISABLE, DISCONNECT, DISPLAY, DISTINCT, DISTRIBUTE, DO, "
     "DOWN, DROP, ELSE, ELSEIF, ENABLE, END, ENDDATA, ENDDISPLAY, ENDFORMS, ENDIF, ENDLOOP, ENDRETRIEVE, "
     "ENDSELECT, ENDWHILE, ERROR, ESCAPE, EXCLUDE, EXCLUDING, EXEC, EXECUTE, EXISTS, EXIT, FETCH, FIELD, "
     "FINALIZE, FOR, FOREIGN, FORMDATA, FORMINIT, FORMS, FROM, FULL, GET, GETFORM, GETOPER, GETROW, GLOBAL, "
     "GOTO, GRANT, GRANTED, HAVING, HELP, HELP_FORMS, HELP_FRS, HELPFILE, IDENTIFIED, IF, IIMESSAGE, IIPRINTF, "
     "IIPROMPT, IISTATEMENT, IMMEDIATE, IMPORT, IN, INCLUDE, INDEX, INDICATOR, INGRES, INITIALIZE, INITTABLE, "
     "INNER, INQUIRE_EQUEL, INQUIRE_FORMS, INQUIRE_FRS, INQUIRE_INGRES, INSERT, INSERTROW, INSTALLATION, "
     "INTEGRITY, INTO, IO_TRACE, IS, J_FREESZ1, J_FREESZ2, J_FREESZ3, J_FREESZ4, J_SORTBUFSZ, JCPUFACTOR, "
     "JOIN, JOINOP, JOURNALING, KEY, LEVEL, LIKE, LINK, LOADTABLE, LOCAL, LOCATION, LOCK_TRACE, LOG_TRACE, "
     "LOGDBEVENTS, LOGGING, MAXCOST, MAXCPU, MAXPAGE, MENUITEM, MESSAGE, MODE, MODIFY, MODULE, MONEY_FORMAT, "
     "MONEY_PREC, MOVE, NATURAL, NEXT, NODEADLOCK, NOECHO, NOIO_TRACE, NOJIONOP, NOJOURNALING, NOLOCK_TRACE, "
     "NOLOG_TRACE, NOLOGDBEVENTS, NOLOGGING, NOMAXCOST, NOMAXCPU, NOMAXIO, NOMAXPAGE, NOMAXQUERY, NOMAXROW, "
     "NOOPTIMIZEONLY, NOPRINTDBEVENTS, NOPRINTQRY, NOPRINTRULES, NOQEP, NORULES, NOSQL, NOSTATISTICS, NOT, "
     "NOTRACE, NULL, OF, ON, ONLY, OPEN, OPTIMIZEONLY, OPTION, OR, ORDER, OUT, PARAM, PERMIT, PREPARE, "
     "PRESERVE, PRIMARY, PRINT, PRINTDBEVENTS, PRINTQRY, PRINTSCREEN, PRIVILEGES, PROCEDURE, PROMPT, PUBLIC, "
     "PUT, PUTFORM, PUTOPER, PUTROW, QBUFSIZE, QEP, QRY, QUALIFICATION, QUERY_SIZE, RAISE, RANGE, READONLY, "
     "REDISPLAY, REFERENCES, REFERENCING, REGISTER, RELOCATE, REMOVE, RENAME, REPEAT, REPEATED, REPLACE, "
     "REPLICATE, RESTRICT, RESULT_STRUCTURE, RESUME, RET_INTO, RETRIEVE, RETURN, RETURNING, REVOKE, ROLLBACK, "
     "ROWS, RULE, RUN, SAVE, SAVEPOINT, SCHEMA, SCREEN, SCROLL, SCROLLDOWN, SCROLLUP, SECTION, SECURITY_ALARM, "
     "SECURITY_AUDIT, SELECT, SESSION, SET, SET_4GL, SET_EQUAL, SET_FORMS, SET_FRS, SET_INGRES, SET_SQL, "
     "SHORT_REMARK, SLEEP, SOME, SORT, SORTBUFSIZE, SQL, STATISTICS, STOP, SUBMENU, SUMU, SYNONYM, SYSTEM, "
     "TABLE, TABLEDATA, TEWMPORARY, THEN, TO, TRACE, TRANSACTION, TYPE, UNION, UNIQUE, UNLOADTABLE, UNTIL, UP, "
     "UPDATE, USER, USING, VALIDATE, VALIDROW, VALUES, VIEW, WHEN, WHENEVER, WHERE, WHILE, WITH, WORK"},
    {sqlIngres, S::tkFunction,  // functions, 102
     "_BINTIM, _CPU_MS, _DATE, _DIO_CNT, _ET_SEC, _PFAULT_CNT, _TIME, _VERSION, ABS, ANY, ATAN, "
     "AUTOCOMMIT_STATE, AVG, BIOCNT, CHAREXTRACT, COLLATION, CONCAT, CONNECT_TIME_LIMIT, COS, COUNT, "
     "CREATE_PROCEDURE, CREATE_TABLE, DATABASE, DATE_GMT, DATE_PART, DATE_TRUNC, DB_ADMIN, DB_DELIMITED_CASE, "
     "DB_NAME_CASE, DBA, DBMS_BIO, DBMS_CPU, DBMS_DIO, DBMSINFO, DOW, EXP, FLATTEN_AGGREGATE, FLATTEN_NONE, "
     "FLATTEN_OPTIMIZE, FLATTEN_SINGLETON, GROUP, HEX, IDLE_TIME_LIMIT, IFNULL, INITIAL_USER, INQUIRE_SQL, "
     "INT1, INT2, INT4, INTERVAL, LANGUAGE, LEFT, LENGTH, LOCATE, LOCKMODE, LOG, LONG_BYTE, LONG_VARCHAR, "
     "LOWERCASE, MAX, MAXCONNECT, MAXIDLE, MAXIO, MAXQUERY, MAXROW, MIN, MOD, NOTRIM, ON_ERROR_STATE, PAD, "
     "QUERY_IO_LIMIT, QUERY_LANGUAGE, QUERY_ROW_LIMIT, RIGHT, ROLE, SECURITY_AUDIT_LOG, SECURITY_AUDIT_STATE, "
     "SECURITY_PRIV, SELECT_SYSCAT, SERVER_CLASS, SESSION_ID, SESSION_PRIORITY, SESSION_PRIORITY_LIMIT, "
     "SESSION_PRIV, SESSION_SECLABEL, SESSION_USER, SHIFT, SIN, SIZE, SQRT, SQUEEZE, SUM, SYSTEM_USER, "
     "TABLE_STATISTICS, TERMINAL, TRANSACTION_STATE, TRIM, UPDATE_ROWCNT, UPDATE_SYSCAT, UPPERCASE, USERNAME, "
     "VARBYTE"},
    {sqlMSSQL2K, S::tkKey,  // reserved words, 171
     "ADD, ALL, ALTER, AND, ANY, AS, ASC, AUTHORIZATION, BACKUP, BEGIN, BETWEEN, BREAK, BROWSE, BULK, BY, "
     "CASCADE, CASE, CHECK, CHECKPOINT, CLOSE, CLUSTERED, COLLATE, COLUMN, COMMIT, COMPUTE, CONSTRAINT, "
     "CONTAINS, CONTAINSTABLE, CONTINUE, CREATE, CROSS, CURRENT, CURSOR, DATABASE, DBCC, DEALLOCATE, DECLARE, "
     "DEFAULT, DELETE, DENY, DESC, DISK, DISTINCT, DISTRIBUTED, DOUBLE, DROP, DUMMY, DUMP, ELSE, END, ERRLVL, "
     "ESCAPE, EXCEPT, EXEC, EXECUTE, EXISTS, EXIT, FETCH, FILE, FILLFACTOR, FOR, FOREIGN, FORMSOF, FREETEXT, "
     "FREETEXTTABLE, FROM, FULL, FUNCTION, GOTO, GRANT, GROUP, HAVING, HOLDLOCK, IDENTITY, IDENTITYCOL, "
     "IDENTITY_INSERT, IF, IN, INFLECTIONAL, INDEX, INNER, INSERT, INTERSECT, INTO, IS, ISABOUT, JOIN, KEY, "
     "KILL, LEFT, LIKE, LINENO, LOAD, NATIONAL, NOCHECK, NONCLUSTERED, NOT, NULL, NULLIF, OF, OFF, OFFSETS, "
     "ON, OPEN, OPENDATASOURCE, OPENQUERY, OPENROWSET, OPENXML, OPTION, OR, ORDER, OUTER, OVER, PERCENT, PLAN, "
     "PRECISION, PRIMARY, PRINT, PROC, PROCEDURE, PUBLIC, RAISERROR, READ, READTEXT, RECONFIGURE, REFERENCES, "
     "REPLICATION, RESTORE, RESTRICT, RETURN, REVOKE, RIGHT, ROLLBACK, ROWCOUNT, ROWGUIDCOL, RULE, SAVE, "
     "SCHEMA, SELECT, SESSION_USER, SET, SETUSER, SHUTDOWN, SOME, STATISTICS, TABLE, TEXTSIZE, THEN, TO, TOP, "
     "TRAN, TRANSACTION, TRIGGER, TRUNCATE, TSEQUAL, UNION, UNIQUE, UPDATE, UPDATETEXT, USE, USER, VALUES, "
     "VARYING, VIEW, WAITFOR, WEIGHT, WHEN, WHERE, WHILE, WITH, WRITETEXT"},
    {sqlMSSQL2K, S::tkDatatype,  // data types, 29
     "bigint, binary, bit, char, character, datetime, dec, decimal, float, image, int, integer, money, nchar, "
     "ntext, nvarchar, real, rowversion, smalldatetime, smallint, smallmoney, sql_variant, sysname, text, "
     "timestamp, tinyint, uniqueidentifier, varbinary, varchar"},
    {sqlMSSQL2K, S::tkFunction,  // functions, 168
     "@@CONNECTIONS, @@CPU_BUSY, @@CURSOR_ROWS, @@DATEFIRST, @@DBTS, @@ERROR, @@FETCH_STATUS, @@IDENTITY, "
     "@@IDLE, @@IO_BUSY, @@LANGID, @@LANGUAGE, @@LOCK_TIMEOUT, @@MAX_CONNECTIONS, @@MAX_PRECISION, "
     "@@NESTLEVEL, @@OPTIONS, @@PACKET_ERRORS, @@PACK_RECEIVED, @@PACK_SENT, @@PROCID, @@REMSERVER, "
     "@@ROWCOUNT, @@SERVERNAME, @@SERVICENAME, @@SPID, @@TEXTSIZE, @@TIMETICKS, @@TOTAL_ERRORS, @@TOTAL_READ, "
     "@@TOTAL_WRITE, @@TRANCOUNT, @@VERSION, ABS, ACOS, APP_NAME, ASCII, ASIN, ATAN, ATN2, AVG, "
     "BINARY_CHECKSUM, CAST, CEILING, CHARINDEX, CHECKSUM, CHECKSUM_AGG, COALESCE, COLLATIONPROPERTY, "
     "COLUMNPROPERTY, COL_LENGTH, COL_NAME, CONVERT, COS, COT, COUNT, COUNT_BIG, CURRENT_DATE, CURRENT_TIME, "
     "CURRENT_TIMESTAMP, CURRENT_USER, CURSOR_STATUS, DATABASEPROPERTY, DATABASEPROPERTYEX, DATALENGTH, "
     "DATEADD, DATEDIFF, DATENAME, DATEPART, DAY, DB_ID, DB_NAME, DEGREES, DIFFERENCE, EXP, FILEGROUPPROPERTY, "
     "FILEGROUP_ID, FILEGROUP_NAME, FILEPROPERTY, FILE_ID, FILE_NAME, FLOOR, fn_helpcollations, "
     "fn_listextendedproperty, fn_servershareddrives, fn_trace_geteventinfo, fn_trace_getfilterinfo, "
     "fn_trace_getinfo, fn_trace_gettable, fn_virtualfilestats, FORMATMESSAGE, FULLTEXTCATALOGPROPERTY, "
     "FULLTEXTSERVICEPROPERTY, GETANSINULL, GETDATE, GETUTCDATE, GROUPING, HAS_DBACCESS, HOST_ID, HOST_NAME, "
     "IDENT_CURRENT, IDENT_INCR, IDENT_SEED, INDEXKEY_PROPERTY, INDEXPROPERTY, INDEX_COL, ISDATE, ISNULL, "
     "ISNUMERIC, IS_MEMBER, IS_SRVROLEMEMBER, LEN, LOG, LOG10, LOWER, LTRIM, MAX, MIN, MONTH, NEWID, "
     "OBJECTPROPERTY, OBJECT_ID, OBJECT_NAME, PARSENAME, PATINDEX, PERMISSIONS, PI, POWER, QUOTENAME, RADIANS, "
     "RAND, REPLACE, REPLICATE, REVERSE, ROUND, ROWCOUNT_BIG, RTRIM, SCOPE_IDENTITY, SERVERPROPERTY, "
     "SESSIONPROPERTY, SIGN, SIN, SOUNDEX, SPACE, SQL_VARIANT_PROPERTY, SQRT, SQUARE, STATS_DATE, STDEV, "
     "STDEVP, STR, STUFF, SUBSTRING, SUM, SUSER_SID, SUSER_SNAME, SYSTEM_USER, TAN, TEXTPTR, TEXTVALID, "
     "TYPEPROPERTY, UNICODE, UPPER, USER_ID, USER_NAME, VAR, VARP, YEAR"},
};

S::TCharTables BuildCharTables(bool mssql) {
  S::TCharTables t;
  for (int c = 0; c < 256; ++c) {
    const auto ch = static_cast<char16_t>(c);
    t.weights[c] = static_cast<std::int8_t>(IsAsciiLetter(ch)                         ? LetterValue(ch) + 1
                                            : IsDigit(ch) || ch == u'#' || ch == u'$' ? 0
                                                                                      : -1);
  }
  t.weights['_'] = 1;
  if (mssql) t.weights['@'] = 28;
  return t;
}

// Keywords match identifiers by these values: letters without regard to
// case, and all other characters below 256 alike.
constexpr std::array<std::uint8_t, 256> BuildMatchValues() {
  std::array<std::uint8_t, 256> v{};
  for (int c = 0; c < 256; ++c) {
    const auto ch = static_cast<char16_t>(c);
    v[c] = static_cast<std::uint8_t>(IsAsciiLetter(ch) ? LetterValue(ch) + 1 : ch == u'_' ? 1 : 0);
  }
  return v;
}
constexpr std::array<std::uint8_t, 256> kMatchValues = BuildMatchValues();

const S::TCharTables& StandardTables() {
  static const S::TCharTables tables = BuildCharTables(false);
  return tables;
}

const S::TCharTables& MSSQLTables() {
  static const S::TCharTables tables = BuildCharTables(true);
  return tables;
}

}  // namespace

void TSrcSQLHighlighter::UnitInit() { RegisterHighlighter<TSrcSQLHighlighter>(); }

TSrcSQLHighlighter::TSrcSQLHighlighter(QObject* owner) : TSrcKeywordHashHighlighter(owner) {
  using namespace SrcEditStrConst;
  CommentAttri = MakeAttribute(AttrNameComment, fsItalic);
  DataTypeAttri = MakeAttribute(AttrNameDataType, fsBold);
  DefaultPackageAttri = MakeAttribute(AttrNameDefaultPackages, fsBold);
  ExceptionAttri = MakeAttribute(AttrNameException, fsItalic);
  FunctionAttri = MakeAttribute(AttrNameFunction, fsBold);
  IdentifierAttri = MakeAttribute(AttrNameIdentifier, 0);
  KeyAttri = MakeAttribute(AttrNameReservedWord, fsBold);
  NumberAttri = MakeAttribute(AttrNameNumber, 0);
  PLSQLAttri = MakeAttribute(AttrNameReservedWordPlSql, fsBold);
  SpaceAttri = MakeAttribute(AttrNameSpace, 0);
  SQLPlusAttri = MakeAttribute(AttrNameSQLPlus, fsBold);
  StringAttri = MakeAttribute(AttrNameString, 0);
  SymbolAttri = MakeAttribute(AttrNameSymbol, 0);
  TableNameAttri = MakeAttribute(AttrNameTableName, 0);
  VariableAttri = MakeAttribute(AttrNameVariable, 0);
  // No keyword table yet: the dialect brings it (RebuildKeywords).
  SetUpFrame(nullptr,
             {.null = tkNull,
              .space = tkSpace,
              .unknown = tkUnknown,
              .string = tkString,
              .comment = tkComment,
              .symbol = tkSymbol},
             {.comment = CommentAttri,
              .identifier = IdentifierAttri,
              .keyword = KeyAttri,
              .string = StringAttri,
              .whitespace = SpaceAttri,
              .symbol = SymbolAttri},
             {
                 {tkComment, CommentAttri},
                 {tkDatatype, DataTypeAttri},
                 {tkDefaultPackage, DefaultPackageAttri},
                 {tkException, ExceptionAttri},
                 {tkFunction, FunctionAttri},
                 {tkIdentifier, IdentifierAttri},
                 {tkKey, KeyAttri},
                 {tkNumber, NumberAttri},
                 {tkSpace, SpaceAttri},
                 {tkPLSQL, PLSQLAttri},
                 {tkSQLPlus, SQLPlusAttri},
                 {tkString, StringAttri},
                 {tkSymbol, SymbolAttri},
                 {tkTableName, TableNameAttri},
                 {tkUnknown, IdentifierAttri},
                 {tkVariable, VariableAttri},
             });
  fChars = &StandardTables();
  BuildCharDispatch();
  SetDefaultFilter(SrcEditStrConst::FilterSQL);
  fRange = rsUnknown;
  SetSQLDialect(sqlSybase);
}

void TSrcSQLHighlighter::Assign(const TSrcCustomHighlighter& source) {
  TSrcKeywordHashHighlighter::Assign(source);
  if (const auto* sql = qobject_cast<const TSrcSQLHighlighter*>(&source)) SetSQLDialect(sql->SQLDialect());
}

void TSrcSQLHighlighter::SetSQLDialect(TSQLDialect value) {
  if (value == fDialect) return;
  fDialect = value;
  RebuildKeywords();
}

void TSrcSQLHighlighter::SetTableNames(const QStringList& names) {
  BeginTableNamesUpdate();
  fTableNames = names;
  fTableNamesChanged = true;
  EndTableNamesUpdate();
}

void TSrcSQLHighlighter::AddTableName(const QString& name) {
  BeginTableNamesUpdate();
  fTableNames << name;
  fTableNamesChanged = true;
  EndTableNamesUpdate();
}

void TSrcSQLHighlighter::EndTableNamesUpdate() {
  if (fTableNamesUpdates > 0 && --fTableNamesUpdates == 0 && fTableNamesChanged) {
    fTableNamesChanged = false;
    RebuildKeywords();
  }
}

void TSrcSQLHighlighter::RebuildKeywords() {
  fKeywords.Clear();
  fChars = IsMSSQL() ? &MSSQLTables() : &StandardTables();
  auto insert = [this](QStringView word, int kind) {
    int runLength = 0;
    const std::uint8_t hash = HashRun(word.utf16(), static_cast<int>(word.size()), runLength);
    auto entry = std::make_unique<TSrcHashEntry>(word.toString(), kind);
    entry->matchKey.resize(word.size());
    for (qsizetype i = 0; i < word.size(); ++i)  // 255: a character no identifier holds
      entry->matchKey[i] = static_cast<char>(word[i].unicode() < 256 ? kMatchValues[word[i].unicode()] : 255);
    fKeywords.InsertByLength(hash, std::move(entry));
  };
  const TSrcIdentChars identChars = GetIdentChars();
  for (const TKeywordList& list : kKeywordLists)
    if (list.dialect == fDialect) SplitKeywordList(QString::fromLatin1(list.words), identChars, insert, list.kind);
  // A table name that is already a keyword (or listed twice) keeps the first kind.
  for (const QString& name : fTableNames)
    if (!name.isEmpty()) insert(name, tkTableName);
  AttributesChanged();
}

std::uint8_t TSrcSQLHighlighter::HashRun(const char16_t* text, int length, int& runLength) const {
  // Only the low 8 bits count, so unsigned wrap-around gives the same hash
  // for identifiers of any length.
  std::uint32_t h = 0;
  int i = 0;
  for (; i < length && text[i] < 256; ++i) {
    const int weight = fChars->weights[text[i]];
    if (weight < 0) break;
    h = h * 2 + static_cast<std::uint32_t>(weight);
  }
  runLength = i;
  return static_cast<std::uint8_t>(h);
}

std::uint8_t TSrcSQLHighlighter::Classify(const char16_t* text, int length, int& runLength) const {
  const std::uint8_t hash = HashRun(text, length, runLength);
  for (const TSrcHashEntry* e = fKeywords.Get(hash); e && e->keyLen <= runLength; e = e->next.get()) {
    if (e->keyLen < runLength) continue;
    const char* key = e->matchKey.constData();
    int i = 0;
    while (i < runLength && kMatchValues[text[i]] == static_cast<std::uint8_t>(key[i])) ++i;
    if (i == runLength) return static_cast<std::uint8_t>(e->kind);
  }
  return tkIdentifier;
}

std::uint8_t TSrcSQLHighlighter::ClassifyWord(const QString& word) const {
  int runLength = 0;
  return Classify(reinterpret_cast<const char16_t*>(word.constData()), static_cast<int>(word.size()), runLength);
}

bool TSrcSQLHighlighter::IsKeyword(const QString& word) const {
  switch (ClassifyWord(word)) {
    case tkDatatype:
    case tkDefaultPackage:
    case tkException:
    case tkFunction:
    case tkKey:
    case tkPLSQL:
      return true;
    default:
      return false;
  }
}

TSrcIdentChars TSrcSQLHighlighter::GetIdentChars() const {
  TSrcIdentChars set = LetterIdentChars();
  if (IsMSSQL()) set.Include(QChar(u'@'));
  if (fDialect == sqlOracle) {
    set.Include(QChar(u'#'));
    set.Include(QChar(u'$'));
  }
  return set;
}

void TSrcSQLHighlighter::BuildCharDispatch() {
  FillHandlers([](char16_t c) -> THandler {
    if (c >= 1 && c <= 32) return nullptr;  // white space and line breaks
    if (c < 128 && QByteArrayView("(),.;?[]{}~").contains(static_cast<char>(c))) return &S::SymbolProc;
    if (c < 128 && QByteArrayView("!%*^").contains(static_cast<char>(c))) return &S::AssignOpProc;
    if (c == '"') return Handler(&S::QuotedIdentProc);
    if (c == '\'') return Handler(&S::StringProc);
    if (c == '&') return &S::AndOpProc;
    if (c == '+') return &S::PlusOpProc;
    if (c == '-') return Handler(&S::MinusProc);
    if (c == '/') return Handler(&S::SlashProc);
    if (c == ':' || c == '@') return Handler(&S::VariableProc);
    if (c == '<') return &S::ShiftLeftProc;
    if (c == '=' || c == '>') return &S::CompareOpProc;
    if (c == '|') return &S::OrOpProc;
    if (IsDigit(c)) return Handler(&S::NumberProc);
    if (IsAsciiLetter(c) || c == '_') return Handler(&S::IdentProc);
    return Handler(&S::SqlUnknownProc);  // a NUL inside the line too: the line's end is found by length
  });
}

QString TSrcSQLHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNameSQL; }

QString TSrcSQLHighlighter::GetSampleSource() const {
  switch (fDialect) {
    case sqlInterbase6:
      return QStringLiteral(
          "/* Interbase sample source */\r\n"
          "SET TERM !! ;\r\n"
          "\r\n"
          "CREATE PROCEDURE HelloWorld(P_MSG VARCHAR(80)) AS\r\n"
          "BEGIN\r\n"
          "  EXECUTE PROCEDURE WRITELN(:P_MSG);\r\n"
          "END !!\r\n"
          "\r\n"
          "SET TERM ; !!");
    case sqlOracle:
      return QStringLiteral(
          "PROMPT Oracle sample source\r\n"
          "declare\r\n"
          "  x varchar2(2000);\r\n"
          "begin   -- Show some text here\r\n"
          "  select to_char(count(*)) into x\r\n"
          "  from tab;\r\n"
          "\r\n"
          "  dbms_output.put_line('Hello World: ' || x);\r\n"
          "exception\r\n"
          "  when others then\r\n"
          "    null;\r\n"
          "end;");
    default:
      return QString();
  }
}

void TSrcSQLHighlighter::ScanNext() {
  fTokenPos = fRun;
  if (fRun >= fLen) return NullProc();
  const char16_t c = fLine[fRun];
  if (fRange == rsComment && (c == 10 || c == 13)) return c == 10 ? LFProc() : CRProc();
  switch (fRange) {
    case rsComment:
      return CommentRestProc();
    case rsString:
      return StringProc();
    default:
      return DispatchNamesFirst<TSrcSQLHighlighter, &TSrcSQLHighlighter::IdentProc>();
  }
}

void TSrcSQLHighlighter::MinusProc() {
  ++fRun;
  if (Peek(fRun) == u'-') {
    fTokenKind = tkComment;
    fRun = fLen;
  } else {
    fTokenKind = tkSymbol;
  }
}

void TSrcSQLHighlighter::SlashProc() {
  ++fRun;
  if (Peek(fRun) == u'*') {
    fTokenKind = tkComment;
    fRange = rsComment;
    ScanToCommentEnd(fRun + 1);
  } else {
    fTokenKind = tkSymbol;
    if (Peek(fRun) == u'=') ++fRun;
  }
}

void TSrcSQLHighlighter::NumberProc() {
  fTokenKind = tkNumber;
  ++fRun;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == u'.' ? Peek(fRun + 1) == u'.' : !(c == u'-' || IsDigit(c))) break;
    ++fRun;
  }
}

void TSrcSQLHighlighter::QuotedIdentProc() {
  fTokenKind = tkString;
  ++fRun;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == 10 || c == 13) break;
    if (c == u'"') {
      ++fRun;
      if (Peek(fRun) != u'"') break;  // "" inside the quotes stands for one quote
    } else if (c == u'\\' && Peek(fRun + 1) == u'"') {
      fRun += 2;
      continue;
    }
    ++fRun;
  }
}

void TSrcSQLHighlighter::StringProc() {
  fTokenKind = tkString;
  // A string opened here starts after its quote; one going on from the line
  // before starts at the line's first character, which may close it.
  if (fRange != rsString) ++fRun;
  fRange = rsString;
  const bool backslashEscapes = fDialect == sqlMySQL;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == u'\'') {
      ++fRun;
      fRange = rsUnknown;
      return;
    }
    fRun += backslashEscapes && c == u'\\' && fRun + 1 < fLen ? 2 : 1;
  }
}

void TSrcSQLHighlighter::VariableProc() {
  const char16_t c = fLine[fRun];
  if (c == u'@' && IsMSSQL() && Peek(fRun + 1) == u'@') return IdentProc();  // the "@@" functions
  if (c == u'@' ? fDialect == sqlMySQL || fDialect == sqlOracle : fDialect != sqlOracle && fDialect != sqlIngres)
    return SymbolProc();
  fTokenKind = tkVariable;
  ++fRun;
  while (fRun < fLen && IsIdentChar(fLine[fRun])) ++fRun;
}

void TSrcSQLHighlighter::IdentProc() {
  int runLength = 0;
  fTokenKind = Classify(fLine + fRun, fLen - fRun, runLength);
  fRun += runLength;
  if (fTokenKind == tkComment) fRun = fLen;  // a comment word such as "REM" takes the rest of the line
}

void TSrcSQLHighlighter::SqlUnknownProc() {
  if (fDialect == sqlMySQL && fRun == 0 && fLine[0] == u'#') {
    fTokenKind = tkComment;
    fRun = fLen;
    return;
  }
  UnknownProc();
}
