select "double \"quoted\"" from t;
/* a block comment */
select "double \"quoted\"" from t;
create table items (id integer, price decimal(10, 2));
insert into customers values (1, 'Smith', 'it''s');
-- a line comment
select 'it\'s', 'C:\\dir\\' from t;
# a hash comment
/* a block comment */
order by 1, 2 desc;
select a /* inside 'no string' */ from b;
create table items (id integer, price decimal(10, 2));
insert into notes values ('first line
second line
last line');
select 'it\'s', 'C:\\dir\\' from t;
select "double \"quoted\"" from t;
-- a line comment
insert into customers values (1, 'Smith', 'it''s');
order by 1, 2 desc;
/* block
# still the block
*/ select 3;
/* block
# still the block
*/ select 3;
select '' as empty, 'x' || 'y' from z;
select "double \"quoted\"" from t;
create table items (id integer, price decimal(10, 2));
select name, total from orders where id = 12;
select '' as empty, 'x' || 'y' from z;
select 1; /* opens
goes on 'quoted' */ select 2;
/* block
# still the block
*/ select 3;
select "double \"quoted\"" from t;
/* block
# still the block
*/ select 3;
create table items (id integer, price decimal(10, 2));
-- a line comment
/* a block comment */
/*
  several lines
*/
-- a line comment
# a hash comment
create table items (id integer, price decimal(10, 2));
select * from t -- trailing comment
/* a block comment */
/* a block comment */
select 1; /* opens
goes on 'quoted' */ select 2;
select name, total from orders where id = 12;
/* a block comment */
select 1; /* opens
goes on 'quoted' */ select 2;
select name, total from orders where id = 12;
select * from t -- trailing comment
select 'it\'s', 'C:\\dir\\' from t;
where name like '%/* not a comment */%'
insert into notes values ('first line
second line
last line');
select 'it\'s', 'C:\\dir\\' from t;
select '' as empty, 'x' || 'y' from z;
update t set note = 'a -- not a comment' where x > 0;
select * from t -- trailing comment
order by 1, 2 desc;
-- a line comment
select 1; /* opens
goes on 'quoted' */ select 2;
/* a block comment */
select name, total from orders where id = 12;
select a /* inside 'no string' */ from b;
select 1; /* opens
goes on 'quoted' */ select 2;
order by 1, 2 desc;
where name like '%/* not a comment */%'
/*
  several lines
*/
-- a line comment
select * from t -- trailing comment
select "double \"quoted\"" from t;
select 'it\'s', 'C:\\dir\\' from t;
select '' as empty, 'x' || 'y' from z;
where name like '%/* not a comment */%'
select a /* inside 'no string' */ from b;
where name like '%/* not a comment */%'
/* block
# still the block
*/ select 3;
-- a line comment
# a hash comment
/* a block comment */
select 'it\'s', 'C:\\dir\\' from t;
create table items (id integer, price decimal(10, 2));
# a hash comment
select '' as empty, 'x' || 'y' from z;
create table items (id integer, price decimal(10, 2));
/* a block comment */
select "double \"quoted\"" from t;
select a /* inside 'no string' */ from b;
select '' as empty, 'x' || 'y' from z;
/*
  several lines
*/
-- a line comment
select 'it\'s', 'C:\\dir\\' from t;
update t set note = 'a -- not a comment' where x > 0;
where name like '%/* not a comment */%'
update t set note = 'a -- not a comment' where x > 0;
where name like '%/* not a comment */%'
select * from t -- trailing comment
select name, total from orders where id = 12;
where name like '%/* not a comment */%'
/* a block comment */
select * from t -- trailing comment
/*
  several lines
*/
/* block
# still the block
*/ select 3;
select * from t -- trailing comment
select "double \"quoted\"" from t;
/*
  several lines
*/
# a hash comment
-- a line comment
select name, total from orders where id = 12;
select "double \"quoted\"" from t;
select name, total from orders where id = 12;
select name, total from orders where id = 12;
create table items (id integer, price decimal(10, 2));
/* a block comment */
create table items (id integer, price decimal(10, 2));
select a /* inside 'no string' */ from b;
select name, total from orders where id = 12;
/* a block comment */
/*
  several lines
*/
# a hash comment
/* a block comment */
update t set note = 'a -- not a comment' where x > 0;
-- a line comment
# a hash comment
insert into customers values (1, 'Smith', 'it''s');
insert into customers values (1, 'Smith', 'it''s');
select * from t -- trailing comment
where name like '%/* not a comment */%'
-- a line comment
select "double \"quoted\"" from t;
select "double \"quoted\"" from t;
select a /* inside 'no string' */ from b;
select a /* inside 'no string' */ from b;
select '' as empty, 'x' || 'y' from z;
update t set note = 'a -- not a comment' where x > 0;
update t set note = 'a -- not a comment' where x > 0;
create table items (id integer, price decimal(10, 2));
where name like '%/* not a comment */%'
select * from t -- trailing comment
select a /* inside 'no string' */ from b;
insert into notes values ('first line
second line
last line');
select 'it\'s', 'C:\\dir\\' from t;
-- a line comment
/* a block comment */
where name like '%/* not a comment */%'
select "double \"quoted\"" from t;
-- a line comment
create table items (id integer, price decimal(10, 2));
select name, total from orders where id = 12;
/* a block comment */
select a /* inside 'no string' */ from b;
/* block
# still the block
*/ select 3;
insert into customers values (1, 'Smith', 'it''s');
insert into customers values (1, 'Smith', 'it''s');
select "double \"quoted\"" from t;
update t set note = 'a -- not a comment' where x > 0;
select 'it\'s', 'C:\\dir\\' from t;
select a /* inside 'no string' */ from b;
select '' as empty, 'x' || 'y' from z;
update t set note = 'a -- not a comment' where x > 0;
# a hash comment
order by 1, 2 desc;
select "double \"quoted\"" from t;
-- a line comment
# a hash comment
select 'it\'s', 'C:\\dir\\' from t;
select * from t -- trailing comment
select * from t -- trailing comment
order by 1, 2 desc;
/* a block comment */
/*
  several lines
*/
order by 1, 2 desc;
select a /* inside 'no string' */ from b;
select 'it\'s', 'C:\\dir\\' from t;
select "double \"quoted\"" from t;
select "double \"quoted\"" from t;
-- a line comment
/* a block comment */
select 'it\'s', 'C:\\dir\\' from t;
-- a line comment
# a hash comment
where name like '%/* not a comment */%'
/* a block comment */
select "double \"quoted\"" from t;
select '' as empty, 'x' || 'y' from z;
where name like '%/* not a comment */%'
insert into customers values (1, 'Smith', 'it''s');
select a /* inside 'no string' */ from b;
-- a line comment
select a /* inside 'no string' */ from b;
# a hash comment
select "double \"quoted\"" from t;
select a /* inside 'no string' */ from b;
# a hash comment
select name, total from orders where id = 12;
select a /* inside 'no string' */ from b;
order by 1, 2 desc;
update t set note = 'a -- not a comment' where x > 0;
select * from t -- trailing comment
-- a line comment
update t set note = 'a -- not a comment' where x > 0;
/*
  several lines
*/
select name, total from orders where id = 12;
select 1; /* opens
goes on 'quoted' */ select 2;
order by 1, 2 desc;
select * from t -- trailing comment
create table items (id integer, price decimal(10, 2));
select '' as empty, 'x' || 'y' from z;
/*
  several lines
*/
select * from t -- trailing comment
insert into customers values (1, 'Smith', 'it''s');
select * from t -- trailing comment
/* a block comment */
-- a line comment
insert into customers values (1, 'Smith', 'it''s');
select 1; /* opens
goes on 'quoted' */ select 2;
/* a block comment */
where name like '%/* not a comment */%'
-- a line comment
/*
  several lines
*/
select "double \"quoted\"" from t;
select a /* inside 'no string' */ from b;
create table items (id integer, price decimal(10, 2));
select name, total from orders where id = 12;
insert into customers values (1, 'Smith', 'it''s');
where name like '%/* not a comment */%'
-- a line comment
where name like '%/* not a comment */%'
select 1; /* opens
goes on 'quoted' */ select 2;
/*
  several lines
*/
update t set note = 'a -- not a comment' where x > 0;
select * from t -- trailing comment
select * from t -- trailing comment
/* a block comment */
select a /* inside 'no string' */ from b;
/*
  several lines
*/
insert into customers values (1, 'Smith', 'it''s');
create table items (id integer, price decimal(10, 2));
select 'it\'s', 'C:\\dir\\' from t;
select "double \"quoted\"" from t;
/* block
# still the block
*/ select 3;
/* block
# still the block
*/ select 3;
insert into customers values (1, 'Smith', 'it''s');
select '' as empty, 'x' || 'y' from z;
update t set note = 'a -- not a comment' where x > 0;
insert into customers values (1, 'Smith', 'it''s');
order by 1, 2 desc;
insert into notes values ('first line
second line
last line');
select '' as empty, 'x' || 'y' from z;
# a hash comment
select a /* inside 'no string' */ from b;
insert into customers values (1, 'Smith', 'it''s');
select a /* inside 'no string' */ from b;
where name like '%/* not a comment */%'
select a /* inside 'no string' */ from b;
order by 1, 2 desc;
-- a line comment
select 'it\'s', 'C:\\dir\\' from t;
update t set note = 'a -- not a comment' where x > 0;
-- a line comment
# a hash comment
/* a block comment */
select "double \"quoted\"" from t;
select '' as empty, 'x' || 'y' from z;
insert into notes values ('first line
second line
last line');
where name like '%/* not a comment */%'
select a /* inside 'no string' */ from b;
select a /* inside 'no string' */ from b;
-- a line comment
-- a line comment
/*
  several lines
*/
# a hash comment
# a hash comment
select 'it\'s', 'C:\\dir\\' from t;
/*
  several lines
*/
select 1; /* opens
goes on 'quoted' */ select 2;
/* a block comment */
order by 1, 2 desc;
select "double \"quoted\"" from t;
select '' as empty, 'x' || 'y' from z;
select '' as empty, 'x' || 'y' from z;
select * from t -- trailing comment
where name like '%/* not a comment */%'
select name, total from orders where id = 12;
where name like '%/* not a comment */%'
select 'it\'s', 'C:\\dir\\' from t;
select '' as empty, 'x' || 'y' from z;
/*
  several lines
*/
select a /* inside 'no string' */ from b;
select a /* inside 'no string' */ from b;
insert into notes values ('first line
second line
last line');
select 'it\'s', 'C:\\dir\\' from t;
/* block
# still the block
*/ select 3;
where name like '%/* not a comment */%'
select a /* inside 'no string' */ from b;
select * from t -- trailing comment
where name like '%/* not a comment */%'
update t set note = 'a -- not a comment' where x > 0;
where name like '%/* not a comment */%'
insert into customers values (1, 'Smith', 'it''s');
select 'it\'s', 'C:\\dir\\' from t;
/* a block comment */
create table items (id integer, price decimal(10, 2));
where name like '%/* not a comment */%'
select * from t -- trailing comment
create table items (id integer, price decimal(10, 2));
insert into customers values (1, 'Smith', 'it''s');
/*
  several lines
*/
-- a line comment
/* a block comment */
create table items (id integer, price decimal(10, 2));
# a hash comment
select '' as empty, 'x' || 'y' from z;
where name like '%/* not a comment */%'
select name, total from orders where id = 12;
# a hash comment
select a /* inside 'no string' */ from b;
create table items (id integer, price decimal(10, 2));
select '' as empty, 'x' || 'y' from z;
select name, total from orders where id = 12;
/*
  several lines
*/
select * from t -- trailing comment
select "double \"quoted\"" from t;
select name, total from orders where id = 12;
select * from t -- trailing comment
/* a block comment */
update t set note = 'a -- not a comment' where x > 0;
# a hash comment
/* a block comment */
select '' as empty, 'x' || 'y' from z;
# a hash comment
