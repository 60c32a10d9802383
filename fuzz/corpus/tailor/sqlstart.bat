C:\Varentis
C:\Varentis

@echo off
rem Starts the Varentis SQL engine.
set RUD=C:\VARENTIS
"%RUD%\bin\vrnsql.exe" -config "%RUD%\etc\vrnsql.cfg" %1 %2 %3
