# The settings folder inside the work folder, so that the case sees it unchanged.
mkdir "$DIR/settings"
printf '[COMMAND]\r\nMODE=1\r\n' >"$DIR/settings/Pivora.ini"
