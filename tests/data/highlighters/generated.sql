select a /* inside 'no string' */ from b;
select "quoted ""name""" from dual;
/* a block comment */
order by 1, 2 desc;
select '' as empty, 'x' || 'y' from z;
-- a line comment
select * from t -- trailing comment
order by 1, 2 desc;
select name, total from orders where id = 12;
create table items (id integer, price decimal(10, 2));
update t set note = 'a -- not a comment' where x > 0;
select '' as empty, 'x' || 'y' from z;
select a /* inside 'no string' */ from b;
select '' as empty, 'x' || 'y' from z;
select "quoted ""name""" from dual;
select * from t -- trailing comment
insert into customers values (1, 'Smith', 'it''s');
/* a block comment */
update t set note = 'a -- not a comment' where x > 0;
-- a line comment
-- a line comment
select name, total from orders where id = 12;
select "quoted ""name""" from dual;
-- a line comment
select a /* inside 'no string' */ from b;
update t set note = 'a -- not a comment' where x > 0;
order by 1, 2 desc;
select a /* inside 'no string' */ from b;
select a /* inside 'no string' */ from b;
insert into notes values ('first line
second line
last line');
insert into customers values (1, 'Smith', 'it''s');
create table items (id integer, price decimal(10, 2));
select 1; /* opens
goes on 'quoted' */ select 2;
/*
  several lines
*/
/* a block comment */
select name, total from orders where id = 12;
select '' as empty, 'x' || 'y' from z;
create table items (id integer, price decimal(10, 2));
where name like '%/* not a comment */%'
select '' as empty, 'x' || 'y' from z;
insert into customers values (1, 'Smith', 'it''s');
insert into customers values (1, 'Smith', 'it''s');
where name like '%/* not a comment */%'
select name, total from orders where id = 12;
select name, total from orders where id = 12;
insert into customers values (1, 'Smith', 'it''s');
select name, total from orders where id = 12;
/* a block comment */
select '' as empty, 'x' || 'y' from z;
select "quoted ""name""" from dual;
select name, total from orders where id = 12;
select "quoted ""name""" from dual;
insert into customers values (1, 'Smith', 'it''s');
-- a line comment
select name, total from orders where id = 12;
order by 1, 2 desc;
-- a line comment
/*
  several lines
*/
/* a block comment */
where name like '%/* not a comment */%'
select "quoted ""name""" from dual;
select '' as empty, 'x' || 'y' from z;
insert into customers values (1, 'Smith', 'it''s');
update t set note = 'a -- not a comment' where x > 0;
select "quoted ""name""" from dual;
update t set note = 'a -- not a comment' where x > 0;
/* a block comment */
/* a block comment */
select '' as empty, 'x' || 'y' from z;
update t set note = 'a -- not a comment' where x > 0;
select "quoted ""name""" from dual;
select name, total from orders where id = 12;
create table items (id integer, price decimal(10, 2));
insert into customers values (1, 'Smith', 'it''s');
-- a line comment
select "quoted ""name""" from dual;
select a /* inside 'no string' */ from b;
select a /* inside 'no string' */ from b;
select a /* inside 'no string' */ from b;
select '' as empty, 'x' || 'y' from z;
insert into customers values (1, 'Smith', 'it''s');
select * from t -- trailing comment
/*
  several lines
*/
order by 1, 2 desc;
where name like '%/* not a comment */%'
update t set note = 'a -- not a comment' where x > 0;
insert into notes values ('first line
second line
last line');
/* a block comment */
/*
  several lines
*/
order by 1, 2 desc;
/*
  several lines
*/
/* a block comment */
select "quoted ""name""" from dual;
select 1; /* opens
goes on 'quoted' */ select 2;
select 1; /* opens
goes on 'quoted' */ select 2;
select 1; /* opens
goes on 'quoted' */ select 2;
order by 1, 2 desc;
select "quoted ""name""" from dual;
select '' as empty, 'x' || 'y' from z;
select '' as empty, 'x' || 'y' from z;
order by 1, 2 desc;
-- a line comment
create table items (id integer, price decimal(10, 2));
where name like '%/* not a comment */%'
select a /* inside 'no string' */ from b;
select * from t -- trailing comment
select a /* inside 'no string' */ from b;
update t set note = 'a -- not a comment' where x > 0;
select name, total from orders where id = 12;
insert into notes values ('first line
second line
last line');
select '' as empty, 'x' || 'y' from z;
insert into customers values (1, 'Smith', 'it''s');
update t set note = 'a -- not a comment' where x > 0;
order by 1, 2 desc;
insert into customers values (1, 'Smith', 'it''s');
select "quoted ""name""" from dual;
create table items (id integer, price decimal(10, 2));
update t set note = 'a -- not a comment' where x > 0;
select a /* inside 'no string' */ from b;
/*
  several lines
*/
update t set note = 'a -- not a comment' where x > 0;
update t set note = 'a -- not a comment' where x > 0;
/* a block comment */
insert into notes values ('first line
second line
last line');
/* a block comment */
insert into customers values (1, 'Smith', 'it''s');
create table items (id integer, price decimal(10, 2));
order by 1, 2 desc;
/* a block comment */
/*
  several lines
*/
select "quoted ""name""" from dual;
/* a block comment */
select name, total from orders where id = 12;
/* a block comment */
select '' as empty, 'x' || 'y' from z;
select name, total from orders where id = 12;
/* a block comment */
select '' as empty, 'x' || 'y' from z;
select "quoted ""name""" from dual;
update t set note = 'a -- not a comment' where x > 0;
/* a block comment */
insert into notes values ('first line
second line
last line');
order by 1, 2 desc;
select name, total from orders where id = 12;
select name, total from orders where id = 12;
select "quoted ""name""" from dual;
-- a line comment
create table items (id integer, price decimal(10, 2));
select name, total from orders where id = 12;
select 1; /* opens
goes on 'quoted' */ select 2;
select name, total from orders where id = 12;
select * from t -- trailing comment
insert into customers values (1, 'Smith', 'it''s');
-- a line comment
create table items (id integer, price decimal(10, 2));
-- a line comment
/* a block comment */
order by 1, 2 desc;
update t set note = 'a -- not a comment' where x > 0;
-- a line comment
select '' as empty, 'x' || 'y' from z;
select a /* inside 'no string' */ from b;
select * from t -- trailing comment
select 1; /* opens
goes on 'quoted' */ select 2;
-- a line comment
create table items (id integer, price decimal(10, 2));
select name, total from orders where id = 12;
select * from t -- trailing comment
/* a block comment */
select a /* inside 'no string' */ from b;
select "quoted ""name""" from dual;
select name, total from orders where id = 12;
select name, total from orders where id = 12;
insert into customers values (1, 'Smith', 'it''s');
update t set note = 'a -- not a comment' where x > 0;
select "quoted ""name""" from dual;
/* a block comment */
insert into customers values (1, 'Smith', 'it''s');
-- a line comment
select name, total from orders where id = 12;
update t set note = 'a -- not a comment' where x > 0;
create table items (id integer, price decimal(10, 2));
select "quoted ""name""" from dual;
select "quoted ""name""" from dual;
where name like '%/* not a comment */%'
/*
  several lines
*/
order by 1, 2 desc;
/*
  several lines
*/
-- a line comment
insert into customers values (1, 'Smith', 'it''s');
select * from t -- trailing comment
/*
  several lines
*/
select '' as empty, 'x' || 'y' from z;
insert into customers values (1, 'Smith', 'it''s');
create table items (id integer, price decimal(10, 2));
select "quoted ""name""" from dual;
-- a line comment
select '' as empty, 'x' || 'y' from z;
/* a block comment */
select * from t -- trailing comment
update t set note = 'a -- not a comment' where x > 0;
/*
  several lines
*/
select '' as empty, 'x' || 'y' from z;
order by 1, 2 desc;
-- a line comment
select * from t -- trailing comment
select * from t -- trailing comment
/* a block comment */
select "quoted ""name""" from dual;
where name like '%/* not a comment */%'
select * from t -- trailing comment
select 1; /* opens
goes on 'quoted' */ select 2;
/* a block comment */
insert into customers values (1, 'Smith', 'it''s');
order by 1, 2 desc;
select "quoted ""name""" from dual;
/*
  several lines
*/
select "quoted ""name""" from dual;
select name, total from orders where id = 12;
update t set note = 'a -- not a comment' where x > 0;
select "quoted ""name""" from dual;
/* a block comment */
select * from t -- trailing comment
select "quoted ""name""" from dual;
select '' as empty, 'x' || 'y' from z;
insert into notes values ('first line
second line
last line');
select "quoted ""name""" from dual;
select '' as empty, 'x' || 'y' from z;
update t set note = 'a -- not a comment' where x > 0;
select 1; /* opens
goes on 'quoted' */ select 2;
select '' as empty, 'x' || 'y' from z;
create table items (id integer, price decimal(10, 2));
select 1; /* opens
goes on 'quoted' */ select 2;
select "quoted ""name""" from dual;
/* a block comment */
select a /* inside 'no string' */ from b;
insert into notes values ('first line
second line
last line');
select * from t -- trailing comment
select "quoted ""name""" from dual;
where name like '%/* not a comment */%'
order by 1, 2 desc;
select * from t -- trailing comment
insert into customers values (1, 'Smith', 'it''s');
-- a line comment
select "quoted ""name""" from dual;
/* a block comment */
order by 1, 2 desc;
where name like '%/* not a comment */%'
insert into notes values ('first line
second line
last line');
select "quoted ""name""" from dual;
select '' as empty, 'x' || 'y' from z;
select * from t -- trailing comment
-- a line comment
create table items (id integer, price decimal(10, 2));
select "quoted ""name""" from dual;
create table items (id integer, price decimal(10, 2));
insert into customers values (1, 'Smith', 'it''s');
/* a block comment */
order by 1, 2 desc;
create table items (id integer, price decimal(10, 2));
select "quoted ""name""" from dual;
select "quoted ""name""" from dual;
create table items (id integer, price decimal(10, 2));
select "quoted ""name""" from dual;
/* a block comment */
select name, total from orders where id = 12;
select 1; /* opens
goes on 'quoted' */ select 2;
select * from t -- trailing comment
where name like '%/* not a comment */%'
select "quoted ""name""" from dual;
select '' as empty, 'x' || 'y' from z;
/*
  several lines
*/
select 1; /* opens
goes on 'quoted' */ select 2;
update t set note = 'a -- not a comment' where x > 0;
select name, total from orders where id = 12;
select * from t -- trailing comment
where name like '%/* not a comment */%'
select * from t -- trailing comment
select '' as empty, 'x' || 'y' from z;
order by 1, 2 desc;
where name like '%/* not a comment */%'
where name like '%/* not a comment */%'
order by 1, 2 desc;
order by 1, 2 desc;
/* a block comment */
select * from t -- trailing comment
select "quoted ""name""" from dual;
create table items (id integer, price decimal(10, 2));
/* a block comment */
select '' as empty, 'x' || 'y' from z;
/* a block comment */
insert into customers values (1, 'Smith', 'it''s');
/* a block comment */
insert into customers values (1, 'Smith', 'it''s');
select 1; /* opens
goes on 'quoted' */ select 2;
select '' as empty, 'x' || 'y' from z;
select * from t -- trailing comment
insert into customers values (1, 'Smith', 'it''s');
where name like '%/* not a comment */%'
update t set note = 'a -- not a comment' where x > 0;
insert into customers values (1, 'Smith', 'it''s');
select * from t -- trailing comment
where name like '%/* not a comment */%'
create table items (id integer, price decimal(10, 2));
/*
  several lines
*/
-- a line comment
select "quoted ""name""" from dual;
select * from t -- trailing comment
insert into notes values ('first line
second line
last line');
select "quoted ""name""" from dual;
select * from t -- trailing comment
select * from t -- trailing comment
select a /* inside 'no string' */ from b;
select "quoted ""name""" from dual;
order by 1, 2 desc;
/*
  several lines
*/
select '' as empty, 'x' || 'y' from z;
where name like '%/* not a comment */%'
select '' as empty, 'x' || 'y' from z;
select '' as empty, 'x' || 'y' from z;
insert into customers values (1, 'Smith', 'it''s');
select * from t -- trailing comment
select a /* inside 'no string' */ from b;
select '' as empty, 'x' || 'y' from z;
select 1; /* opens
goes on 'quoted' */ select 2;
-- a line comment
select name, total from orders where id = 12;
-- a line comment
-- a line comment
where name like '%/* not a comment */%'
-- a line comment
select '' as empty, 'x' || 'y' from z;
/* a block comment */
select name, total from orders where id = 12;
create table items (id integer, price decimal(10, 2));
-- a line comment
select a /* inside 'no string' */ from b;
select a /* inside 'no string' */ from b;
-- a line comment
