@echo off
rem Varentis server administration.
set RUD=C:\VARENTIS
call "%RUD%\bin\vrnenv.bat"
"%RUD%\bin\vrnadmin.exe" %*
