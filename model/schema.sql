-- The monitoring database. Yes/No columns are INTEGER (0 false, non-zero true), dates are
-- ISO text "YYYY-MM-DD", text keys compare case-insensitively. The program never creates
-- or alters a table; this file makes the empty database shipped in the program folder.
PRAGMA journal_mode = DELETE;
PRAGMA encoding = 'UTF-8';

CREATE TABLE TBL_Group (
    グループ   TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,
    表示名     TEXT,
    説明       TEXT,
    診断有無   INTEGER NOT NULL DEFAULT -1
);

CREATE TABLE TBL_Computer (
    アドレス       TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,
    グループ       TEXT COLLATE NOCASE,
    コンピュータ名 TEXT,
    種類           TEXT,
    表示名         TEXT,
    説明           TEXT,
    診断有無       INTEGER NOT NULL DEFAULT -1,
    異常判断回数   INTEGER NOT NULL DEFAULT 5,
    異常音再生     INTEGER NOT NULL DEFAULT -1,
    タイムアウト   INTEGER NOT NULL DEFAULT 5000,
    状況           TEXT DEFAULT 'Nomal',
    Ping有無       INTEGER NOT NULL DEFAULT -1,
    カレンダー名称 TEXT COLLATE NOCASE
);
CREATE INDEX IX_Computer_Group ON TBL_Computer (グループ);

CREATE TABLE TBL_PortCheck (
    アドレス   TEXT NOT NULL COLLATE NOCASE,
    ポート番号 INTEGER NOT NULL,
    サービス名 TEXT,
    状況       TEXT DEFAULT 'SStart',
    PRIMARY KEY (アドレス, ポート番号)
);

CREATE TABLE TBL_DLL (
    アドレス TEXT NOT NULL COLLATE NOCASE,
    連番     INTEGER NOT NULL,
    DLL名    TEXT,
    引数     TEXT,
    PRIMARY KEY (アドレス, 連番)
);

CREATE TABLE TBL_NoCheck (
    アドレス TEXT NOT NULL COLLATE NOCASE,
    連番     INTEGER NOT NULL,
    開始時刻 INTEGER NOT NULL DEFAULT 0,
    終了時刻 INTEGER NOT NULL DEFAULT 0,
    曜日     TEXT,
    PRIMARY KEY (アドレス, 連番)
);

CREATE TABLE TBL_CalenderNoCheck (
    アドレス TEXT NOT NULL COLLATE NOCASE,
    日付     TEXT NOT NULL,
    開始時刻 INTEGER NOT NULL DEFAULT 0,
    終了時刻 INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (アドレス, 日付)
);

CREATE TABLE TBL_Calender (
    名称 TEXT NOT NULL COLLATE NOCASE,
    年度 INTEGER NOT NULL,
    "01" TEXT, "02" TEXT, "03" TEXT, "04" TEXT, "05" TEXT, "06" TEXT,
    "07" TEXT, "08" TEXT, "09" TEXT, "10" TEXT, "11" TEXT, "12" TEXT,
    PRIMARY KEY (名称, 年度)
);

CREATE TABLE TBL_User (
    職番           TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,
    氏名           TEXT,
    所属名         TEXT,
    連絡先         TEXT,
    アドレス       TEXT,
    警報種別       TEXT DEFAULT '0',
    メール送信有無 INTEGER NOT NULL DEFAULT 0,
    メール1        TEXT,
    メール2        TEXT
);

CREATE TABLE TBL_MsgSend (
    グループ TEXT NOT NULL COLLATE NOCASE,
    アドレス TEXT COLLATE NOCASE,
    職番     TEXT NOT NULL COLLATE NOCASE
);
-- A group-wide recipient has a Null address; the index treats Null as one value so the
-- same person cannot be assigned to the same group twice either. The expression takes no
-- collation from its column, so it is given the address's own.
CREATE UNIQUE INDEX UX_MsgSend ON TBL_MsgSend (グループ, IFNULL(アドレス, '') COLLATE NOCASE, 職番);

CREATE TABLE TBL_Service (
    サービス名 TEXT,
    ポート番号 INTEGER
);

CREATE TABLE TBL_Meisho (
    区分 TEXT,
    種類 TEXT
);

CREATE TABLE TBL_Control (
    区分 TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,
    処理 TEXT
);

INSERT INTO TBL_Control (区分, 処理) VALUES ('稼動', '非稼動中'), ('Web情報提供', '無');

INSERT INTO TBL_Service (サービス名, ポート番号) VALUES
    ('FTP', 21), ('SSH', 22), ('TELNET', 23), ('SMTP', 25), ('DNS', 53), ('HTTP', 80),
    ('POP3', 110), ('NetBIOS', 139), ('IMAP', 143), ('HTTPS', 443), ('SMB', 445),
    ('SMTPS', 465), ('IMAPS', 993), ('POP3S', 995), ('SQL Server', 1433),
    ('RDP', 3389), ('HTTP Proxy', 8080);

INSERT INTO TBL_Meisho (区分, 種類) VALUES
    ('種類', 'ｽﾀﾝﾄﾞｱﾛｰﾝ'), ('種類', 'ｻｰﾊﾞｰ'), ('種類', 'ｸﾗｲｱﾝﾄ'), ('種類', 'ﾙｰﾀｰ'),
    ('種類', 'ﾌﾟﾘﾝﾀｰ'), ('種類', 'ﾈｯﾄﾜｰｸ機器');
