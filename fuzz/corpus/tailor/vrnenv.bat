C:\Varentis
C:\Varentis

@echo off
rem Varentis environment: run in every command window that uses Varentis.
rem The installation utility writes the installation directory below.
set RUD=C:\VARENTIS
set VARENTIS=%RUD%
set PATH=%RUD%\bin;%PATH%
set VRNCONFIG=%RUD%\etc
set VRNWORK=[[work-dir]]
set VRNLANG=[[default-language]]
set VRNCOUNTRY=[[default-country]]
set VRNDATE=[[nls-date]]
set VRNNUMBER=[[nls-number]]
set VRNNUMSEP=[[nls-numsep]]
set VRNNUMDEC=[[nls-numdec]]
set VRNCPINT=[[nls-cpinternal]]
set VRNCPCOLL=[[nls-cpcoll]]
set VRNCPCASE=[[nls-cpcase]]
