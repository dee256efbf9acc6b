<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BackupsText</name>
    <message>
        <source>it belongs to another user</source>
        <translation>er gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>Can&apos;t create the backup folder %1: %2.</source>
        <translation>Der Sicherungsordner %1 kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>The backup folder %1 can&apos;t be used: %2.</source>
        <translation>Der Sicherungsordner %1 kann nicht verwendet werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t remove the old backup %1: %2.</source>
        <translation>Die alte Sicherung %1 kann nicht entfernt werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t read %1 to keep a backup of it: %2.</source>
        <translation>%1 kann nicht gelesen werden, um eine Sicherung davon anzulegen: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t write the backup %1: %2.</source>
        <translation>Die Sicherung %1 kann nicht geschrieben werden: %2.</translation>
    </message>
</context>
<context>
    <name>CommandLineText</name>
    <message>
        <source>Quorvel keeps a small personal directory of contacts.</source>
        <translation>Quorvel führt ein kleines persönliches Verzeichnis von Kontakten.</translation>
    </message>
    <message>
        <source>Prints this help and exits.</source>
        <translation>Gibt diese Hilfe aus und beendet sich.</translation>
    </message>
    <message>
        <source>Prints the version and exits.</source>
        <translation>Gibt die Version aus und beendet sich.</translation>
    </message>
    <message>
        <source>Imports contacts from vCard (.vcf) or CSV (.csv) files into your directory; more files may follow.</source>
        <translation>Importiert Kontakte aus vCard- (.vcf) oder CSV-Dateien (.csv) in Ihr Verzeichnis; weitere Dateien dürfen folgen.</translation>
    </message>
    <message>
        <source>Exports your directory to a vCard or CSV file (by its extension).</source>
        <translation>Exportiert Ihr Verzeichnis in eine vCard- oder CSV-Datei (nach ihrer Endung).</translation>
    </message>
    <message>
        <source>The export format: vcard4, vcard3 or csv.</source>
        <translation>Das Exportformat: vcard4, vcard3 oder csv.</translation>
    </message>
    <message>
        <source>[file...]</source>
        <translation>[Datei...]</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
        <source>--import and --export can&apos;t be used together.</source>
        <translation>--import und --export können nicht zusammen verwendet werden.</translation>
    </message>
    <message>
        <source>--format goes with --export.</source>
        <translation>--format gehört zu --export.</translation>
    </message>
    <message>
        <source>Unknown format &apos;%1&apos;.</source>
        <translation>Unbekanntes Format „%1“.</translation>
    </message>
    <message>
        <source>Can&apos;t tell the format of &apos;%1&apos;: name it .vcf or .csv, or give --format.</source>
        <translation>Das Format von „%1“ ist nicht zu erkennen: Benennen Sie die Datei .vcf oder .csv, oder geben Sie --format an.</translation>
    </message>
    <message>
        <source>%1: not imported: %2.</source>
        <translation>%1: nicht importiert: %2.</translation>
    </message>
    <message>
        <source>%1: %2 exported</source>
        <translation>%1: %2 exportiert</translation>
    </message>
    <message>
        <source>Contact files to import: into the window, or after --import without one.</source>
        <translation>Zu importierende Kontaktdateien: in das Fenster, oder nach --import ohne Fenster.</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Sets up syncing with a CardDAV server (with --user); does not sync.</source>
        <translation>Richtet den Abgleich mit einem CardDAV-Server ein (mit --user); gleicht nicht ab.</translation>
    </message>
    <message>
        <source>url</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>The user name at the CardDAV server.</source>
        <translation>Der Benutzername beim CardDAV-Server.</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>The address book to sync with, by its name on the server.</source>
        <translation>Das abzugleichende Adressbuch, nach seinem Namen auf dem Server.</translation>
    </message>
    <message>
        <source>Syncs your directory with the address book set up.</source>
        <translation>Gleicht Ihr Verzeichnis mit dem eingerichteten Adressbuch ab.</translation>
    </message>
    <message>
        <source>Accepts the server&apos;s certificate of this SHA-256 fingerprint though it does not verify.</source>
        <translation>Nimmt das Zertifikat des Servers mit diesem SHA-256-Fingerabdruck an, obwohl es sich nicht prüfen lässt.</translation>
    </message>
    <message>
        <source>Allows plain HTTP to a server other than this machine.</source>
        <translation>Erlaubt unverschlüsseltes HTTP zu einem Server außerhalb dieses Rechners.</translation>
    </message>
    <message>
        <source>--import, --export, --sync-setup and --sync can&apos;t be used together.</source>
        <translation>--import, --export, --sync-setup und --sync können nicht zusammen verwendet werden.</translation>
    </message>
    <message>
        <source>--user and --address-book go with --sync-setup.</source>
        <translation>--user und --address-book gehören zu --sync-setup.</translation>
    </message>
    <message>
        <source>--accept-certificate and --allow-http go with --sync-setup or --sync.</source>
        <translation>--accept-certificate und --allow-http gehören zu --sync-setup oder --sync.</translation>
    </message>
    <message>
        <source>--sync-setup needs --user.</source>
        <translation>--sync-setup braucht --user.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is no SHA-256 fingerprint (64 hex digits).</source>
        <translation>„%1“ ist kein SHA-256-Fingerabdruck (64 Hexadezimalziffern).</translation>
    </message>
    <message>
        <source>Quorvel is open on this directory; close it to sync.</source>
        <translation>Quorvel ist mit diesem Verzeichnis geöffnet; schließen Sie es zum Abgleichen.</translation>
    </message>
    <message>
        <source>The address books at %1; name one with --address-book:
</source>
        <translation>Die Adressbücher bei %1; nennen Sie eines mit --address-book:
</translation>
    </message>
    <message>
        <source>No keyring answered: the password is not kept, and each sync asks for it (or reads it from standard input).
</source>
        <translation>Kein Schlüsselbund hat geantwortet: Das Passwort wird nicht aufbewahrt, und jeder Abgleich fragt danach (oder liest es von der Standardeingabe).
</translation>
    </message>
    <message>
        <source>Set up to sync with &quot;%1&quot; at %2.
</source>
        <translation>Abgleich mit „%1“ bei %2 eingerichtet.
</translation>
    </message>
    <message>
        <source>No sync is set up for this directory; set one up with --sync-setup URL --user NAME.</source>
        <translation>Für dieses Verzeichnis ist kein Abgleich eingerichtet; richten Sie einen mit --sync-setup URL --user NAME ein.</translation>
    </message>
    <message>
        <source>synced: %1 sent, %2 received, %3 conflicts
</source>
        <translation>abgeglichen: %1 gesendet, %2 empfangen, %3 Konflikte
</translation>
    </message>
    <message>
        <source>Quorvel is open on this directory and did not answer; close it to sync.</source>
        <translation>Quorvel ist mit diesem Verzeichnis geöffnet und hat nicht geantwortet; schließen Sie es zum Abgleichen.</translation>
    </message>
</context>
<context>
    <name>ContactReadText</name>
    <message>
        <source>%1 photo not kept</source>
        <translation>%1 Foto nicht übernommen</translation>
    </message>
    <message>
        <source>%1 photos not kept</source>
        <translation>%1 Fotos nicht übernommen</translation>
    </message>
    <message>
        <source>%1 logo not kept</source>
        <translation>%1 Logo nicht übernommen</translation>
    </message>
    <message>
        <source>%1 logos not kept</source>
        <translation>%1 Logos nicht übernommen</translation>
    </message>
    <message>
        <source>%1 sound not kept</source>
        <translation>%1 Tonaufnahme nicht übernommen</translation>
    </message>
    <message>
        <source>%1 sounds not kept</source>
        <translation>%1 Tonaufnahmen nicht übernommen</translation>
    </message>
    <message>
        <source>%1 key not kept</source>
        <translation>%1 Schlüssel nicht übernommen</translation>
    </message>
    <message>
        <source>%1 keys not kept</source>
        <translation>%1 Schlüssel nicht übernommen</translation>
    </message>
    <message>
        <source>line %1 stored as %2</source>
        <translation>Zeile %1 gespeichert als %2</translation>
    </message>
</context>
<context>
    <name>ContactsText</name>
    <message>
        <source>it holds nothing</source>
        <translation>sie enthält nichts</translation>
    </message>
    <message>
        <source>no name, named %1</source>
        <translation>kein Name, benannt als %1</translation>
    </message>
    <message>
        <source>name %1 stored as %2</source>
        <translation>Name %1 gespeichert als %2</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>sie existiert nicht</translation>
    </message>
    <message>
        <source>%1: not imported, %2</source>
        <translation>%1: nicht importiert, %2</translation>
    </message>
    <message>
        <source>%1: %2 added, %3 updated, %4 already there, %5 skipped</source>
        <translation>%1: %2 hinzugefügt, %3 aktualisiert, %4 schon vorhanden, %5 übersprungen</translation>
    </message>
</context>
<context>
    <name>CsvText</name>
    <message>
        <source>record %1: %2</source>
        <translation>Datensatz %1: %2</translation>
    </message>
    <message>
        <source>its first record is not a header of contact columns (&quot;Name&quot;, &quot;First Name&quot;, &quot;E-mail&quot; ...)</source>
        <translation>ihr erster Datensatz ist keine Kopfzeile mit Kontaktspalten („Name“, „First Name“, „E-mail“ ...)</translation>
    </message>
    <message>
        <source>it is longer than %1</source>
        <translation>sie ist länger als %1</translation>
    </message>
    <message>
        <source>a value of %1 left out (%2)</source>
        <translation>ein Wert von %1 ausgelassen (%2)</translation>
    </message>
    <message>
        <source>no column</source>
        <translation>keine Spalte</translation>
    </message>
</context>
<context>
    <name>DataFolderText</name>
    <message>
        <source>it cannot be examined</source>
        <translation>er kann nicht untersucht werden</translation>
    </message>
    <message>
        <source>it is a symbolic link</source>
        <translation>es ist ein symbolischer Link</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>es ist kein Ordner</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>er gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>The data folder %1 can&apos;t be used: %2.</source>
        <translation>Der Datenordner %1 kann nicht verwendet werden: %2.</translation>
    </message>
    <message>
        <source>No user name could be found, can&apos;t open a directory.</source>
        <translation>Es wurde kein Benutzername gefunden, ein Verzeichnis kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The user name &quot;%1&quot; can&apos;t name a data folder.</source>
        <translation>Der Benutzername „%1“ kann keinen Datenordner benennen.</translation>
    </message>
    <message>
        <source>it could not be created</source>
        <translation>er konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>To make it safe, run: chmod go-w %1</source>
        <translation>Zum Absichern ausführen: chmod go-w %1</translation>
    </message>
    <message>
        <source>The folder %1 that holds your data folder can&apos;t be used: other users can write to it (mode %2) and it has no sticky bit, so they could move your data folder away and put another in its place.</source>
        <translation>Der Ordner %1, der Ihren Datenordner enthält, kann nicht verwendet werden: Andere Benutzer können in ihn schreiben (Modus %2), und er hat kein Sticky-Bit, sodass sie Ihren Datenordner wegschieben und einen anderen an seine Stelle legen könnten.</translation>
    </message>
    <message>
        <source>The data folder %1 can&apos;t be used: other users can write to it (mode %2), so they could replace your files or plant their own.</source>
        <translation>Der Datenordner %1 kann nicht verwendet werden: Andere Benutzer können in ihn schreiben (Modus %2), sodass sie Ihre Dateien ersetzen oder eigene unterschieben könnten.</translation>
    </message>
    <message>
        <source>it is Quorvel&apos;s own directory file %1</source>
        <translation>es ist Quorvels eigene Verzeichnisdatei %1</translation>
    </message>
    <message>
        <source>it is Quorvel&apos;s own keyword colour file %1</source>
        <translation>es ist Quorvels eigene Schlüsselwort-Farbdatei %1</translation>
    </message>
    <message>
        <source>it is in Quorvel&apos;s data folder %1, which holds only Quorvel&apos;s own files</source>
        <translation>es liegt in Quorvels Datenordner %1, der nur Quorvels eigene Dateien enthält</translation>
    </message>
</context>
<context>
    <name>DataLocationText</name>
    <message>
        <source>Set XDG_DATA_HOME to a folder of your own, or put an empty file named %1 beside the program (in %2) to keep the data there.</source>
        <translation>Setzen Sie XDG_DATA_HOME auf einen eigenen Ordner, oder legen Sie eine leere Datei namens %1 neben das Programm (in %2), um die Daten dort zu halten.</translation>
    </message>
    <message>
        <source>The folder %1 for Quorvel&apos;s data can&apos;t be used: %2.
%3</source>
        <translation>Der Ordner %1 für die Daten von Quorvel kann nicht verwendet werden: %2.
%3</translation>
    </message>
    <message>
        <source>access denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>Quorvel can&apos;t find a folder for its data: neither HOME nor XDG_DATA_HOME is set to an absolute path.
%1</source>
        <translation>Quorvel findet keinen Ordner für seine Daten: weder HOME noch XDG_DATA_HOME ist auf einen absoluten Pfad gesetzt.
%1</translation>
    </message>
    <message>
        <source>Move it out of the way. </source>
        <translation>Räumen Sie es aus dem Weg. </translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>es ist kein Ordner</translation>
    </message>
    <message>
        <source>it is a symbolic link</source>
        <translation>es ist ein symbolischer Link</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>er gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>it cannot be examined</source>
        <translation>er kann nicht untersucht werden</translation>
    </message>
    <message>
        <source>Create it, or set XDG_DATA_HOME to a folder you can write, or put an empty file named %1 beside the program to keep the data there.</source>
        <translation>Legen Sie ihn an, oder setzen Sie XDG_DATA_HOME auf einen Ordner, in den Sie schreiben können, oder legen Sie eine leere Datei namens %1 neben das Programm, um die Daten dort zu halten.</translation>
    </message>
    <message>
        <source>it could not be created (%1)</source>
        <translation>er konnte nicht angelegt werden (%1)</translation>
    </message>
    <message>
        <source>it is not a folder of your own</source>
        <translation>es ist kein eigener Ordner</translation>
    </message>
</context>
<context>
    <name>DavText</name>
    <message>
        <source>the certificate of %1 does not verify (SHA-256 %2); if it is your server&apos;s, give --accept-certificate %2</source>
        <translation>das Zertifikat von %1 lässt sich nicht prüfen (SHA-256 %2); wenn es das Ihres Servers ist, geben Sie --accept-certificate %2 an</translation>
    </message>
    <message>
        <source>the certificate of %1 does not verify and is not the one accepted (SHA-256 %2); if it is your server&apos;s, give --accept-certificate %2</source>
        <translation>das Zertifikat von %1 lässt sich nicht prüfen und ist nicht das angenommene (SHA-256 %2); wenn es das Ihres Servers ist, geben Sie --accept-certificate %2 an</translation>
    </message>
</context>
<context>
    <name>DirectoryStoreText</name>
    <message>
        <source>it belongs to another user</source>
        <translation>er gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>The data folder %1 can&apos;t be used: %2.</source>
        <translation>Der Datenordner %1 kann nicht verwendet werden: %2.</translation>
    </message>
    <message>
        <source>the version another program wrote can&apos;t be kept as %1: %2</source>
        <translation>die von einem anderen Programm geschriebene Fassung kann nicht als %1 behalten werden: %2</translation>
    </message>
    <message>
        <source>the data folder %1, made again, can&apos;t be locked</source>
        <translation>der neu angelegte Datenordner %1 kann nicht gesperrt werden</translation>
    </message>
    <message>
        <source>what Quorvel showed can&apos;t be kept as %1: %2</source>
        <translation>was Quorvel angezeigt hat, kann nicht als %1 behalten werden: %2</translation>
    </message>
    <message>
        <source>the file as it was read can&apos;t be kept as %1: %2</source>
        <translation>die Datei, wie sie gelesen wurde, kann nicht als %1 behalten werden: %2</translation>
    </message>
</context>
<context>
    <name>DiscoveryText</name>
    <message>
        <source>the server&apos;s answer at %1 is not WebDAV</source>
        <translation>die Antwort des Servers bei %1 ist kein WebDAV</translation>
    </message>
    <message>
        <source>no answer from %1: %2</source>
        <translation>keine Antwort von %1: %2</translation>
    </message>
    <message>
        <source>the server %1 refused the user name or password</source>
        <translation>der Server %1 hat Benutzername oder Passwort abgelehnt</translation>
    </message>
    <message>
        <source>the server answered %1 at %2</source>
        <translation>der Server antwortete %1 bei %2</translation>
    </message>
    <message>
        <source>%1 is no http:// or https:// address</source>
        <translation>%1 ist keine http://- oder https://-Adresse</translation>
    </message>
    <message>
        <source>%1 is plain HTTP, which sends the password unencrypted; use https:// or give --allow-http</source>
        <translation>%1 ist unverschlüsseltes HTTP, das das Passwort offen sendet; verwenden Sie https:// oder geben Sie --allow-http an</translation>
    </message>
    <message>
        <source>%1 is no CardDAV server (it names no user principal)</source>
        <translation>%1 ist kein CardDAV-Server (er nennt kein Benutzerprinzipal)</translation>
    </message>
    <message>
        <source>the server names no address books for the user at %1</source>
        <translation>der Server nennt keine Adressbücher für den Benutzer bei %1</translation>
    </message>
</context>
<context>
    <name>FileIoText</name>
    <message>
        <source>its folder can&apos;t be opened</source>
        <translation>ihr Ordner kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>it is a symbolic link</source>
        <translation>es ist ein symbolischer Link</translation>
    </message>
    <message>
        <source>it is a folder, not a file</source>
        <translation>es ist ein Ordner, keine Datei</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is larger than %1 bytes</source>
        <translation>sie ist größer als %1 Bytes</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>es ist kein Ordner</translation>
    </message>
    <message>
        <source>there is not enough memory</source>
        <translation>es ist nicht genug Speicher frei</translation>
    </message>
</context>
<context>
    <name>IdentityText</name>
    <message>
        <source>it is not an identity file this version of Quorvel reads</source>
        <translation>es ist keine Kennungsdatei, die diese Version von Quorvel lesen kann</translation>
    </message>
</context>
<context>
    <name>MainText</name>
    <message>
        <source>Data: none can be used.</source>
        <translation>Daten: keiner kann verwendet werden.</translation>
    </message>
    <message>
        <source>none: no usable user name</source>
        <translation>keines: kein verwendbarer Benutzername</translation>
    </message>
    <message>
        <source>Data:
  your directory   %1
  keyword colours  %2</source>
        <translation>Daten:
  Ihr Verzeichnis       %1
  Schlüsselwortfarben   %2</translation>
    </message>
</context>
<context>
    <name>PasswordText</name>
    <message>
        <source>Password for %1 at %2: </source>
        <translation>Passwort für %1 bei %2: </translation>
    </message>
</context>
<context>
    <name>PictureBox</name>
    <message>
        <source>Color: %1, %2, %3</source>
        <translation>Farbe: %1, %2, %3</translation>
    </message>
</context>
<context>
    <name>SearchResults</name>
    <message>
        <source>No entry matches.</source>
        <translation>Kein Eintrag passt.</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>Indexing…</source>
        <translation>Wird indexiert…</translation>
    </message>
</context>
<context>
    <name>ServiceText</name>
    <message>
        <source>Can&apos;t read the directory file %1: %2.</source>
        <translation>Die Verzeichnisdatei %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t write the directory file %1: %2.</source>
        <translation>Die Verzeichnisdatei %1 kann nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t export to %1: %2.</source>
        <translation>Export nach %1 nicht möglich: %2.</translation>
    </message>
    <message>
        <source>The data folder %1 had been removed while Quorvel ran. It was made again and the directory was saved there.</source>
        <translation>Der Datenordner %1 wurde entfernt, während Quorvel lief. Er wurde neu angelegt und das Verzeichnis dort gespeichert.</translation>
    </message>
    <message>
        <source>The data folder %1 was moved to %2 while Quorvel ran. The directory was saved there, in %3.</source>
        <translation>Der Datenordner %1 wurde nach %2 verschoben, während Quorvel lief. Das Verzeichnis wurde dort gespeichert, in %3.</translation>
    </message>
    <message>
        <source>The directory file %1 was changed by another program. Nothing has changed in Quorvel since, so that version was left as it is.</source>
        <translation>Die Verzeichnisdatei %1 wurde von einem anderen Programm geändert. In Quorvel hat sich seitdem nichts geändert, daher wurde diese Fassung belassen, wie sie ist.</translation>
    </message>
    <message>
        <source>
The directory itself was saved.</source>
        <translation>
Das Verzeichnis selbst wurde gespeichert.</translation>
    </message>
    <message>
        <source>The directory file %1 was changed by another program. That version was kept as %2, and Quorvel&apos;s directory was saved in %1.</source>
        <translation>Die Verzeichnisdatei %1 wurde von einem anderen Programm geändert. Diese Fassung wurde als %2 behalten, und das Verzeichnis von Quorvel wurde in %1 gespeichert.</translation>
    </message>
    <message>
        <source>Can&apos;t save the directory to %1: %2.</source>
        <translation>Das Verzeichnis kann nicht in %1 gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>Quorvel is already running for %1 (it holds the lock on the data folder %2), can&apos;t start a second copy.</source>
        <translation>Quorvel läuft bereits für %1 (es hält die Sperre auf dem Datenordner %2), eine zweite Instanz kann nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Can&apos;t lock the data folder %2 for %1 (%3), can&apos;t start.</source>
        <translation>Der Datenordner %2 für %1 kann nicht gesperrt werden (%3), Start nicht möglich.</translation>
    </message>
    <message>
        <source>Quorvel was stopped while it saved the directory file %1, just after the new version was put in place. The version that save replaced was kept as %2.</source>
        <translation>Quorvel wurde beendet, während es die Verzeichnisdatei %1 speicherte, gleich nachdem die neue Fassung an ihre Stelle gesetzt war. Die Fassung, die dieses Speichern ersetzt hat, wurde als %2 behalten.</translation>
    </message>
    <message>
        <source>Quorvel was stopped while it saved the directory file %1. The change it was saving was kept as %2; it may be incomplete. %1 holds the version from before that save.</source>
        <translation>Quorvel wurde beendet, während es die Verzeichnisdatei %1 speicherte. Die Änderung, die gerade gespeichert wurde, wurde als %2 behalten; sie ist vielleicht unvollständig. %1 enthält die Fassung von vor diesem Speichern.</translation>
    </message>
    <message>
        <source>The directory file %1 was changed by another program while Quorvel showed it. That version was left as it is, and the directory Quorvel showed, which differs from it, was kept as %2.</source>
        <translation>Die Verzeichnisdatei %1 wurde von einem anderen Programm geändert, während Quorvel sie anzeigte. Diese Fassung wurde belassen, wie sie ist, und das von Quorvel angezeigte Verzeichnis, das sich davon unterscheidet, wurde als %2 behalten.</translation>
    </message>
    <message>
        <source>Another program wrote the directory file %1 while Quorvel saved it. That version was kept as %2, and Quorvel&apos;s directory was saved in %1.</source>
        <translation>Ein anderes Programm hat die Verzeichnisdatei %1 geschrieben, während Quorvel sie speicherte. Diese Fassung wurde als %2 behalten, und das Verzeichnis von Quorvel wurde in %1 gespeichert.</translation>
    </message>
    <message>
        <source>The directory file %1 held text that Quorvel can&apos;t write back exactly as it was (such as empty lines, extra bold markers or characters that could not be read), so the file as it was read is kept as %2.</source>
        <translation>Die Verzeichnisdatei %1 enthielt Text, den Quorvel nicht genau so zurückschreiben kann, wie er war (etwa leere Zeilen, zusätzliche Fettmarken oder Zeichen, die nicht gelesen werden konnten). Darum wird die Datei, wie sie gelesen wurde, als %2 behalten.</translation>
    </message>
    <message>
        <source>Can&apos;t read the identity file %1: %2.</source>
        <translation>Die Kennungsdatei %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t save the identity file %1: %2. The directory itself was saved.</source>
        <translation>Die Kennungsdatei %1 kann nicht gespeichert werden: %2. Das Verzeichnis selbst wurde gespeichert.</translation>
    </message>
    <message>
        <source>Can&apos;t set up the sync: %1.</source>
        <translation>Der Abgleich kann nicht eingerichtet werden: %1.</translation>
    </message>
    <message>
        <source>The server %1 holds no address book for %2.</source>
        <translation>Der Server %1 hat kein Adressbuch für %2.</translation>
    </message>
    <message>
        <source>The server %1 holds no address book named &quot;%2&quot;.</source>
        <translation>Der Server %1 hat kein Adressbuch namens „%2“.</translation>
    </message>
    <message>
        <source>Can&apos;t remove the sync state %1: %2.</source>
        <translation>Der Abgleichsstand %1 kann nicht entfernt werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t save the sync account to %1: %2.</source>
        <translation>Das Abgleichskonto kann nicht in %1 gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t read the sync account %1: %2.</source>
        <translation>Das Abgleichskonto %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t read the sync state %1: %2.</source>
        <translation>Der Abgleichsstand %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t sync with %1: %2.</source>
        <translation>Abgleich mit %1 nicht möglich: %2.</translation>
    </message>
    <message>
        <source>Can&apos;t save the sync state %1: %2.</source>
        <translation>Der Abgleichsstand %1 kann nicht gespeichert werden: %2.</translation>
    </message>
</context>
<context>
    <name>SyncFilesText</name>
    <message>
        <source>not a Quorvel sync account file</source>
        <translation>keine Abgleichskontodatei von Quorvel</translation>
    </message>
    <message>
        <source>the account file names no address book or user</source>
        <translation>die Kontodatei nennt kein Adressbuch oder keinen Benutzer</translation>
    </message>
    <message>
        <source>not a Quorvel sync state file</source>
        <translation>keine Abgleichsstandsdatei von Quorvel</translation>
    </message>
</context>
<context>
    <name>SyncText</name>
    <message>
        <source>the server&apos;s answer at %1 is not WebDAV</source>
        <translation>die Antwort des Servers bei %1 ist kein WebDAV</translation>
    </message>
    <message>
        <source>%1: the card has no name or no UID; left out</source>
        <translation>%1: die Karte hat keinen Namen oder keine UID; ausgelassen</translation>
    </message>
    <message>
        <source>%1 changed on the server during the sync; it is synced next time</source>
        <translation>%1 wurde während des Abgleichs auf dem Server geändert; es wird beim nächsten Mal abgeglichen</translation>
    </message>
    <message>
        <source> (conflict)</source>
        <translation> (Konflikt)</translation>
    </message>
    <message>
        <source>%1 was changed here and on the server: the server&apos;s version is kept, and this one as %2</source>
        <translation>%1 wurde hier und auf dem Server geändert: Die Fassung des Servers bleibt, und diese als %2</translation>
    </message>
    <message>
        <source>the sync was stopped</source>
        <translation>der Abgleich wurde angehalten</translation>
    </message>
</context>
<context>
    <name>VCardText</name>
    <message>
        <source>card %1: %2</source>
        <translation>Karte %1: %2</translation>
    </message>
    <message>
        <source>it has no END:VCARD</source>
        <translation>ihr fehlt END:VCARD</translation>
    </message>
    <message>
        <source>a value of %1 left out (%2)</source>
        <translation>ein Wert von %1 ausgelassen (%2)</translation>
    </message>
    <message>
        <source>it is longer than %1</source>
        <translation>sie ist länger als %1</translation>
    </message>
    <message>
        <source>it holds no vCard (BEGIN:VCARD ... END:VCARD)</source>
        <translation>sie enthält keine vCard (BEGIN:VCARD ... END:VCARD)</translation>
    </message>
</context>
<context>
    <name>frmAddEdit</name>
    <message>
        <source>Add/Edit</source>
        <translation>Hinzufügen/Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;Bold</source>
        <translation>&amp;Fett</translation>
    </message>
    <message>
        <source>Nu&amp;mbers:</source>
        <translation>&amp;Zeilen:</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>Nach &amp;oben</translation>
    </message>
    <message>
        <source>D&amp;own</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbruch</translation>
    </message>
    <message>
        <source>&amp;Done</source>
        <translation>Fer&amp;tig</translation>
    </message>
    <message>
        <source>Number lines</source>
        <translation>Nummernzeilen</translation>
    </message>
    <message>
        <source>Number line</source>
        <translation>Nummernzeile</translation>
    </message>
    <message>
        <source>No name specified, can&apos;t add.</source>
        <translation>Kein Name angegeben, Hinzufügen nicht möglich.</translation>
    </message>
    <message>
        <source>A name can&apos;t begin with &lt;b&gt;, can&apos;t add.</source>
        <translation>Ein Name kann nicht mit &lt;b&gt; beginnen, Hinzufügen nicht möglich.</translation>
    </message>
    <message>
        <source>A bold name can&apos;t contain &lt;b&gt;, can&apos;t add.</source>
        <translation>Ein fetter Name kann kein &lt;b&gt; enthalten, Hinzufügen nicht möglich.</translation>
    </message>
    <message>
        <source>No numbers specified, can&apos;t add.</source>
        <translation>Keine Nummern angegeben, Hinzufügen nicht möglich.</translation>
    </message>
    <message>
        <source>Nothing selected to remove.</source>
        <translation>Nichts zum Entfernen ausgewählt.</translation>
    </message>
</context>
<context>
    <name>frmColorEditor</name>
    <message>
        <source>Color Editor</source>
        <translation>Farbeditor</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Ca&amp;ption:</source>
        <translation>&amp;Text:</translation>
    </message>
    <message>
        <source>C&amp;olor:</source>
        <translation>&amp;Farbe:</translation>
    </message>
    <message>
        <source>Ca&amp;ncel</source>
        <translation>Z&amp;urück</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Setzen</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Save Co&amp;lors</source>
        <translation>S&amp;peichern</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Schlüsselwörter</translation>
    </message>
    <message>
        <source>Space, Enter or F4 chooses another color</source>
        <translation>Leertaste, Eingabe oder F4 wählt eine andere Farbe</translation>
    </message>
    <message>
        <source>Cancels the change to this keyword</source>
        <translation>Verwirft die Änderung an diesem Schlüsselwort</translation>
    </message>
    <message>
        <source>Closes the color editor without saving any change</source>
        <translation>Schließt den Farbeditor, ohne Änderungen zu speichern</translation>
    </message>
    <message>
        <source>Can&apos;t read the color file %1: %2.</source>
        <translation>Die Farbdatei %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Are you sure you want to remove &quot;%1&quot;?</source>
        <translation>Möchten Sie „%1“ wirklich entfernen?</translation>
    </message>
    <message>
        <source>Can&apos;t save the colors to %1: %2.</source>
        <translation>Die Farben können nicht in %1 gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>%1 the data goes here</source>
        <translation>%1 hier stehen die Daten</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Ändern</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Colors</source>
        <translation>&amp;Farben</translation>
    </message>
    <message>
        <source>Edit the colors for individual types of entries</source>
        <translation>Die Farben für einzelne Arten von Einträgen bearbeiten</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>B&amp;eenden</translation>
    </message>
    <message>
        <source>Popup</source>
        <translation>Kontextmenü</translation>
    </message>
    <message>
        <source>&amp;Search...</source>
        <translation>&amp;Suchen...</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>Ctrl+Shift+Z</source>
        <translation>Ctrl+Shift+Z</translation>
    </message>
    <message>
        <source>Ctrl+Y</source>
        <translation>Ctrl+Y</translation>
    </message>
    <message>
        <source>Letters</source>
        <translation>Buchstaben</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>Number lines</source>
        <translation>Nummernzeilen</translation>
    </message>
    <message>
        <source>
Quorvel will close without changing it.</source>
        <translation>
Quorvel wird geschlossen, ohne sie zu ändern.</translation>
    </message>
    <message>
        <source>the file keeps its old content</source>
        <translation>die Datei behält ihren alten Inhalt</translation>
    </message>
    <message>
        <source>there is no saved copy of the directory</source>
        <translation>es gibt keine gespeicherte Kopie des Verzeichnisses</translation>
    </message>
    <message>
        <source>

Retry to try again, Discard to close without saving (%1), Cancel to keep Quorvel open.</source>
        <translation>

Wiederholen, um es erneut zu versuchen, Verwerfen, um ohne Speichern zu schließen (%1), Abbrechen, um Quorvel geöffnet zu lassen.</translation>
    </message>
    <message>
        <source>

Retry to try again, Cancel to go on: your change stays in the window and is saved with the next change or when Quorvel closes.</source>
        <translation>

Wiederholen, um es erneut zu versuchen, Abbrechen, um fortzufahren: Ihre Änderung bleibt im Fenster und wird mit der nächsten Änderung oder beim Schließen von Quorvel gespeichert.</translation>
    </message>
    <message>
        <source>Are you sure you want to remove %1?</source>
        <translation>Möchten Sie %1 wirklich entfernen?</translation>
    </message>
    <message>
        <source>Copyright © 2026 the Quorvel developers</source>
        <translation>Copyright © 2026 die Quorvel-Entwickler</translation>
    </message>
    <message>
        <source>Website: none</source>
        <translation>Website: keine</translation>
    </message>
    <message>
        <source>E-mail: none</source>
        <translation>E-Mail: keine</translation>
    </message>
    <message>
        <source>For help, read the user guide %1.</source>
        <translation>Hilfe finden Sie im Benutzerhandbuch %1.</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>&amp;Import...</source>
        <translation>&amp;Importieren...</translation>
    </message>
    <message>
        <source>Ctrl+I</source>
        <translation>Ctrl+I</translation>
    </message>
    <message>
        <source>E&amp;xport...</source>
        <translation>E&amp;xportieren...</translation>
    </message>
    <message>
        <source>Ctrl+E</source>
        <translation>Ctrl+E</translation>
    </message>
    <message>
        <source>Import contacts</source>
        <translation>Kontakte importieren</translation>
    </message>
    <message>
        <source>Contacts (*.vcf *.vcard *.csv);;All files (*)</source>
        <translation>Kontakte (*.vcf *.vcard *.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>vCard 4.0 (*.vcf)</source>
        <translation>vCard 4.0 (*.vcf)</translation>
    </message>
    <message>
        <source>Export contacts</source>
        <translation>Kontakte exportieren</translation>
    </message>
    <message>
        <source>vCard 3.0 (*.vcf);;%1;;CSV (*.csv)</source>
        <translation>vCard 3.0 (*.vcf);;%1;;CSV (*.csv)</translation>
    </message>
    <message>
        <source>%1 was not imported: %2.</source>
        <translation>%1 wurde nicht importiert: %2.</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>... und %1 weitere.</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Can&apos;t export to %1: name it .vcf or .csv.</source>
        <translation>Export nach %1 nicht möglich: Benennen Sie die Datei .vcf oder .csv.</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>1 entry was exported to %1.</source>
        <translation>1 Eintrag wurde nach %1 exportiert.</translation>
    </message>
    <message>
        <source>%1 entries were exported to %2.</source>
        <translation>%1 Einträge wurden nach %2 exportiert.</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>Copy &amp;line</source>
        <translation>&amp;Zeile kopieren</translation>
    </message>
    <message>
        <source>Copy &amp;number</source>
        <translation>&amp;Nummer kopieren</translation>
    </message>
    <message>
        <source>Ctrl+Shift+C</source>
        <translation>Ctrl+Shift+C</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Can&apos;t open %1: no program of the desktop takes it.</source>
        <translation>%1 kann nicht geöffnet werden: kein Programm des Desktops nimmt es an.</translation>
    </message>
    <message>
        <source>Fi&amp;nd:</source>
        <translation>S&amp;uche:</translation>
    </message>
    <message>
        <source>Exi&amp;t</source>
        <translation>B&amp;eenden</translation>
    </message>
    <message>
        <source>S&amp;ort by name</source>
        <translation>Nach Namen s&amp;ortieren</translation>
    </message>
    <message>
        <source>&amp;Colors...</source>
        <translation>&amp;Farben...</translation>
    </message>
    <message>
        <source>&amp;User guide</source>
        <translation>&amp;Benutzerhandbuch</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Über</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Ed&amp;it</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>The user guide %1 is not installed.</source>
        <translation>Das Benutzerhandbuch %1 ist nicht installiert.</translation>
    </message>
    <message>
        <source>Can&apos;t open the user guide %1: no program of the desktop takes it.</source>
        <translation>Das Benutzerhandbuch %1 kann nicht geöffnet werden: kein Programm des Desktops nimmt es an.</translation>
    </message>
    <message>
        <source>Sync &amp;now</source>
        <translation>Jetzt &amp;abgleichen</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>S&amp;ync...</source>
        <translation>A&amp;bgleich...</translation>
    </message>
    <message>
        <source>Sync status</source>
        <translation>Abgleichsstatus</translation>
    </message>
    <message>
        <source>Sync</source>
        <translation>Abgleich</translation>
    </message>
    <message>
        <source>Password for %1 at %2:</source>
        <translation>Passwort für %1 bei %2:</translation>
    </message>
    <message>
        <source>No sync is set up: Tools, Sync... sets one up.</source>
        <translation>Kein Abgleich eingerichtet: Extras, Abgleich... richtet einen ein.</translation>
    </message>
    <message>
        <source>No password for the sync: Tools, Sync... takes it.</source>
        <translation>Kein Passwort für den Abgleich: Extras, Abgleich... nimmt es entgegen.</translation>
    </message>
    <message>
        <source>synced: %1 sent, %2 received, %3 conflicts
</source>
        <translation>abgeglichen: %1 gesendet, %2 empfangen, %3 Konflikte
</translation>
    </message>
    <message>
        <source>Quorvel closed before the sync ended.
</source>
        <translation>Quorvel wurde geschlossen, bevor der Abgleich endete.
</translation>
    </message>
    <message>
        <source>Syncing…</source>
        <translation>Abgleich läuft…</translation>
    </message>
    <message>
        <source>Syncing… %1 of %2</source>
        <translation>Abgleich läuft… %1 von %2</translation>
    </message>
    <message>
        <source>Synced just now</source>
        <translation>Gerade abgeglichen</translation>
    </message>
    <message numerus="yes">
        <source>Synced %n minute(s) ago</source>
        <translation>
            <numerusform>Vor %n Minute abgeglichen</numerusform>
            <numerusform>Vor %n Minuten abgeglichen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Synced %n hour(s) ago</source>
        <translation>
            <numerusform>Vor %n Stunde abgeglichen</numerusform>
            <numerusform>Vor %n Stunden abgeglichen</numerusform>
        </translation>
    </message>
    <message>
        <source>No keyring answered: the password is kept only while Quorvel runs, and asked for once when it starts again.</source>
        <translation>Kein Schlüsselbund hat geantwortet: Das Passwort wird nur aufbewahrt, solange Quorvel läuft, und beim nächsten Start einmal erfragt.</translation>
    </message>
</context>
<context>
    <name>frmSearch</name>
    <message>
        <source>Search</source>
        <translation>Suche</translation>
    </message>
    <message>
        <source>Search &amp;for:</source>
        <translation>Suchen &amp;nach:</translation>
    </message>
    <message>
        <source>A name, a number or any word of an entry</source>
        <translation>Ein Name, eine Nummer oder ein beliebiges Wort eines Eintrags</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
</context>
<context>
    <name>frmSyncSettings</name>
    <message>
        <source>Sync</source>
        <translation>Abgleich</translation>
    </message>
    <message>
        <source>&amp;Server address:</source>
        <translation>&amp;Serveradresse:</translation>
    </message>
    <message>
        <source>https://dav.example.org/</source>
        <translation>https://dav.example.org/</translation>
    </message>
    <message>
        <source>&amp;User name:</source>
        <translation>&amp;Benutzername:</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>&amp;Find address books</source>
        <translation>Adressbücher &amp;finden</translation>
    </message>
    <message>
        <source>&amp;Address books:</source>
        <translation>&amp;Adressbücher:</translation>
    </message>
    <message>
        <source>I &amp;trust this certificate</source>
        <translation>Ich &amp;vertraue diesem Zertifikat</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Looking for address books at %1…</source>
        <translation>Adressbücher bei %1 werden gesucht…</translation>
    </message>
    <message>
        <source>The server&apos;s certificate does not verify. Its SHA-256 fingerprint is %1. Trust it only when it is the one your server shows.</source>
        <translation>Das Zertifikat des Servers lässt sich nicht prüfen. Sein SHA-256-Fingerabdruck ist %1. Vertrauen Sie ihm nur, wenn es derjenige ist, den Ihr Server angibt.</translation>
    </message>
    <message>
        <source>The server holds no address book for %1.</source>
        <translation>Der Server hat kein Adressbuch für %1.</translation>
    </message>
    <message>
        <source>Choose the address book to sync with.</source>
        <translation>Wählen Sie das abzugleichende Adressbuch.</translation>
    </message>
</context>
</TS>
