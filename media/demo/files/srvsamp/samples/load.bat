@echo off
rem Loads the sample database "stores" into the SQL engine.
set RUD=C:\VARENTIS
"%RUD%\bin\vrnsql.exe" -load "%RUD%\samples\stores.db" -script "%RUD%\samples\stores.sql"
